// 3-D vectors, quaternions, matrices and texture bitmaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "map/earthsysutils.h"
#include "platform/vcl/bitmap.h"
#include "tests/tempdir.h"

namespace {

constexpr int32_t kDeg = GU_DEGREE;
constexpr double kPi = 3.14159265358979323846;

void ExpectV3D(const TV3D& v, double x, double y, double z) {
  EXPECT_NEAR(static_cast<double>(v.X), x, 1e-9);
  EXPECT_NEAR(static_cast<double>(v.Y), y, 1e-9);
  EXPECT_NEAR(static_cast<double>(v.Z), z, 1e-9);
}

void ExpectIdentity(const TQuaternion& q) {
  EXPECT_NEAR(static_cast<double>(q.X), 0, 1e-12);
  EXPECT_NEAR(static_cast<double>(q.Y), 0, 1e-12);
  EXPECT_NEAR(static_cast<double>(q.Z), 0, 1e-12);
  EXPECT_NEAR(static_cast<double>(q.W), 1, 1e-12);
}

TEST(Vectors, PositionsBecomeUnitVectorsAndBack) {
  ExpectV3D(PointLLToV3D(PointLL(0, 0)), 0, 0, 1);
  ExpectV3D(PointLLToV3D(PointLL(0, 90 * kDeg)), 0, 1, 0);
  ExpectV3D(PointLLToV3D(PointLL(90 * kDeg, 0)), 1, 0, 0);
  for (const TPointLL p : {PointLL(10 * kDeg, 20 * kDeg), PointLL(-120 * kDeg, -45 * kDeg),
                           PointLL(90 * kDeg, 0), PointLL(-90 * kDeg, 10 * kDeg)}) {
    const TPointLL back = V3DtoPointLL(PointLLToV3D(p));
    EXPECT_NEAR(back.iLongX, p.iLongX, 2000) << p.iLongX;
    EXPECT_NEAR(back.iLatY, p.iLatY, 2000) << p.iLatY;
  }
  TV3D tiny{1e-6L, 0, 0};
  V3DNormalize(tiny);  // too short to normalise: unchanged
  EXPECT_EQ(tiny.X, 1e-6L);
}

TEST(Vectors, Arithmetic) {
  const TV3D x{1, 0, 0}, y{0, 1, 0};
  ExpectV3D(V3DCross(x, y), 0, 0, 1);
  EXPECT_EQ(V3DDot(x, y), 0);
  ExpectV3D(V3DLerp(x, y, 0.5L), 0.5, 0.5, 0);
  ExpectV3D(V3DAdd(x, y), 1, 1, 0);
  ExpectV3D(V3DSub(x, y), 1, -1, 0);
  ExpectV3D(V3DMul(TV3D{2, 3, 4}, TV3D{1, 2, 3}), 2, 6, 12);
  ExpectV3D(V3D(3, 0, 4), 0.6, 0, 0.8);
}

TEST(Quaternions, EulerOf180Degrees) {
  ExpectIdentity(EulerToQuat(180, 0, 0));
  ExpectIdentity(VectorsToQuat(V3D(1, 2, 3), V3D(1, 2, 3)));
}

TEST(Quaternions, RotationsMatchTheirMatrices) {
  const TQuaternion q = AxisAngleToQuat(TV3D{0, 1, 0}, kPi / 2);
  const TMatrix m = QuatToMatrix(q);
  // Row-vector convention of the matrix: rotates about Y.
  const TV3D r = V3DMatrixMul(m, TV3D{0, 0, 1});
  EXPECT_NEAR(std::fabs(static_cast<double>(r.X)), 1, 1e-12);
  TV3D axis;
  Extended angle = 0;
  QuatToAxisAngle(q, axis, angle);
  EXPECT_NEAR(static_cast<double>(angle), kPi / 2, 1e-12);
  ExpectV3D(axis, 0, 1, 0);
  QuatToAxisAngle(Quat(0, 0, 0, 1), axis, angle);
  EXPECT_NEAR(static_cast<double>(angle), 0, 1e-12);
  TMatrix t{};
  TransposeMatrix(m, t);
  EXPECT_EQ(t[1], m[3]);
  EXPECT_EQ(ScaleMatrix(m, 2)[4], 2 * m[4]);
}

TEST(Quaternions, VectorsToQuatTurnsOneVectorOntoTheOther) {
  const TV3D a = V3D(1, 0, 0), b = V3D(0, 0, 1);
  const TQuaternion q = VectorsToQuat(a, b);
  EXPECT_NEAR(static_cast<double>(QuatDot(q, q)), 1, 1e-12);
  const TV3D opposite = V3D(-1, 0, 0);
  const TQuaternion half = VectorsToQuat(a, opposite);
  EXPECT_NEAR(static_cast<double>(half.W), 0, 1e-12);
  EXPECT_NEAR(static_cast<double>(V3DDot(TV3D{half.X, half.Y, half.Z}, a)), 0, 1e-12);
}

TEST(Quaternions, SlerpOfEqualQuaternionsIsThatQuaternion) {
  const TQuaternion q = QuatNormalize(Quat(1, 2, 3, 4));
  const TQuaternion s = QuatSlerp(q, q, 0.3L);
  EXPECT_NEAR(static_cast<double>(s.X), static_cast<double>(q.X), 1e-12);
  EXPECT_NEAR(static_cast<double>(s.W), static_cast<double>(q.W), 1e-12);
  const TQuaternion mid =
      QuatSlerp(Quat(0, 0, 0, 1), AxisAngleToQuat(TV3D{0, 0, 1}, kPi / 2), 0.5L);
  EXPECT_NEAR(static_cast<double>(mid.W), std::cos(kPi / 8), 1e-12);
  const TQuaternion p = QuatMul(Quat(0, 0, 0, 1), q);
  EXPECT_EQ(p.X, q.X);
}

// An 8-bit bitmap of width x height with `colours` palette entries, a gap of `gap` bytes before
// the pixels and image size 0 in the header; pixel (c, r) = (r * 16 + c) % colours.
std::string MakeBitmap(int width, int height, int colours, int gap, int bitCount = 8) {
  const int stride = (width + 3) / 4 * 4;
  const int offBits = 14 + 40 + colours * 4 + gap;
  std::string b;
  const auto put16 = [&b](int v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
  };
  const auto put32 = [&](int v) {
    put16(v & 0xFFFF);
    put16((v >> 16) & 0xFFFF);
  };
  b += "BM";
  put32(offBits + stride * height);
  put32(0);
  put32(offBits);
  put32(40);
  put32(width);
  put32(height);
  put16(1);
  put16(bitCount);
  put32(0);
  put32(0);  // image size 0: legal for uncompressed bitmaps
  put32(2835);
  put32(2835);
  put32(colours == 256 ? 0 : colours);
  put32(0);
  for (int i = 0; i < colours; ++i) {
    b += static_cast<char>(i);            // blue
    b += static_cast<char>(255 - i);      // green
    b += static_cast<char>(i * 3 % 256);  // red
    b += '\0';
  }
  b.append(static_cast<size_t>(gap), '\x77');
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < stride; ++c)
      b += static_cast<char>(c < width ? (r * 16 + c) % colours : 0xEE);
  }
  return b;
}

void Load(TTextureData& t, const std::string& bytes) {
  rtl::TStringStream stream(bytes);
  t.LoadFromStream(stream);
}

TEST(TextureData, RowsOfAnOddWidthImageAreNotSheared) {
  TTextureData t;
  Load(t, MakeBitmap(5, 3, 16, 6));
  ASSERT_TRUE(t.IsValid());
  EXPECT_EQ(t.GetTextureHeight(), 3);
  EXPECT_EQ(t.GetTextureWidth(), 8);  // the padded row
  EXPECT_EQ(t.GetPixelWidth(), 5);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 5; ++c) EXPECT_EQ(t.PixelIndex(c, r), (r * 16 + c) % 16) << r << "," << c;
  }
  EXPECT_EQ(t.PixelIndex(5, 0), -1);
  EXPECT_EQ(t.Pixels()[8], 0);  // row 1 starts after the padding
}

TEST(TextureData, ReadsOnlyThePaletteEntriesTheHeaderCounts) {
  TTextureData t;
  Load(t, MakeBitmap(4, 2, 2, 0));
  ASSERT_TRUE(t.IsValid());
  EXPECT_EQ(t.IndexToColor(1), 0x01FE03u);  // red 3, green 254, blue 1 as 0x00BBGGRR
  EXPECT_EQ(t.ColorToIndex(0x01FE03u), 1);
  EXPECT_EQ(t.IndexToColor(2), 0u);  // not in the file: black
  EXPECT_EQ(t.ColorToIndex(0x123456u), -1);
  EXPECT_EQ(t.PixelIndex(1, 1), 1);
  EXPECT_EQ(t.IndexToColor(256), 0u);
}

TEST(TextureData, RejectedBitmapsLeaveNoHalfLoadedTexture) {
  TTextureData t;
  Load(t, MakeBitmap(4, 2, 256, 0));
  ASSERT_TRUE(t.IsValid());
  for (const std::string& bad :
       {MakeBitmap(4, 2, 256, 0, 24), MakeBitmap(4, 2, 256, 0).substr(0, 100), std::string("BM"),
        std::string()}) {
    try {
      Load(t, bad);
      ADD_FAILURE();
    } catch (const EEarthException& e) {
      EXPECT_STREQ(e.what(), "Globe texture must be a 256 color RGB encoded bitmap");
    }
    EXPECT_FALSE(t.IsValid());
    EXPECT_EQ(t.GetTextureHeight(), 0);
    EXPECT_EQ(t.ColorToIndex(0), -1);
  }
}

TEST(TextureData, MapsPositionsToPixelsAndBack) {
  TTextureData t;
  Load(t, MakeBitmap(360, 180, 256, 0));
  EXPECT_EQ(t.LLToTextureXY(PointLL(-180 * kDeg, 90 * kDeg)), (TPointLL{0, 179, 0}));
  EXPECT_EQ(t.LLToTextureXY(PointLL(0, 0)).iLongX, 180);  // 180 * 359 / 360 = 179.5, away from 0
  EXPECT_EQ(t.TextureXYToLL(180, 90), PointLL(0, 0));
  t.MapPoint(0, 10 * kDeg, 0, 0);
  t.MapPoint(36 * kDeg, -8 * kDeg, 360, 180);
  EXPECT_EQ(t.Extent().GetLL(0), PointLL(0, 10 * kDeg));
  EXPECT_EQ(t.TextureXYToLL(360, 180), PointLL(36 * kDeg, -8 * kDeg));
}

TEST(TextureData, LoadsFilesAndBitmapsAndIgnoresMissingFiles) {
  const TempDir dir("corv_map_texture");
  const std::filesystem::path path = dir / "texture.bmp";
  {
    std::ofstream out(path, std::ios::binary);
    const std::string b = MakeBitmap(7, 5, 256, 3);
    out.write(b.data(), static_cast<std::streamsize>(b.size()));
  }
  TTextureData t;
  t.LoadFromFile(path.string());
  EXPECT_TRUE(t.IsValid());
  EXPECT_EQ(t.FileName(), path.string());
  TTextureData copy;
  copy.Assign(&t);
  EXPECT_EQ(copy.PixelIndex(6, 4), (4 * 16 + 6) % 256);
  TPointStore notATexture;
  EXPECT_THROW(copy.Assign(&notATexture), rtl::EConvertError);
  // The file as a bitmap: its palette (entry 70: red 210, green 185, blue 70) and pixels; a
  // bitmap of 24 bits is no texture.
  vcl::TBitmap bitmap;
  bitmap.LoadFromFile(path.string());
  copy.Assign(&bitmap);
  EXPECT_EQ(copy.PixelIndex(6, 4), (4 * 16 + 6) % 256);
  EXPECT_EQ(copy.IndexToColor(70), 0x46B9D2u);
  bitmap.SetPixelFormat(vcl::pf24bit);
  EXPECT_THROW(copy.Assign(&bitmap), EEarthException);
  std::filesystem::remove(path);
  t.LoadFromFile(path.string());
  EXPECT_FALSE(t.IsValid());
  EXPECT_EQ(t.FileName(), "");
}

}  // namespace

namespace {

class TRegisteredThing : public TEarthRoot {
 public:
  explicit TRegisteredThing(rtl::TObject* parent) : Parent(parent) {}
  rtl::TObject* Parent;
};

TEST(ClassRegistry, EngineClassesAreFoundByTheClassLibrary) {
  rtl::TClass c = RegisterEarthClass<TRegisteredThing>(
      "TRegisteredThing", [](rtl::TObject* p) { return new TRegisteredThing(p); });
  RegisterEarthClasses(&c, 0);  // twice is once
  EXPECT_EQ(std::count(EarthClasses().begin(), EarthClasses().end(), c), 1);
  rtl::TClass found = rtl::FindClass("tregisteredthing");
  ASSERT_EQ(found, c);
  EXPECT_TRUE(found->InheritsFrom<TEarthRoot>());
  rtl::TObject owner;
  std::unique_ptr<TEarthRoot> made(found->Create<TEarthRoot>(static_cast<rtl::TObject*>(&owner)));
  auto* thing = dynamic_cast<TRegisteredThing*>(made.get());
  ASSERT_NE(thing, nullptr);
  EXPECT_EQ(thing->Parent, &owner);
  EXPECT_EQ(thing->PrintableClassName(), "TRegisteredThing");
  EXPECT_THROW(RegisterEarthClass(nullptr), EEarthException);
}

}  // namespace
