// Vector and bitmap objects: their bodies byte for byte (expected bytes worked by hand), exact
// round trips of random chains, and corrupt bodies refused without allocating what they claim.
#include "map/earthobjects.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "map/earthsource.h"
#include "tests/map/mapfixture.h"
#include "tests/map/streambytes.h"
#include "tests/tempdir.h"

namespace {

using maptest::Bytes;
using maptest::NewReader;
using maptest::NewWriter;
using maptest::Written;

constexpr int32_t M = GU_MINUTE;

void Fill(TGeoDataObject& o, std::initializer_list<TPointLL> points) {
  for (const TPointLL& p : points)
    if (p.iHeightZ != 0) o.Chains().GetChain(0)->SetHeightFlag(true);
  for (const TPointLL& p : points) o.Chains().GetChain(0)->Add(p);
}

Bytes Write(TEarthObject& o) {
  Written w = NewWriter();
  o.WriteProperties(*w.writer);
  return w.bytes();
}

TEST(GeoDataBody, SixteenBitStepsAreTwoBytesAndLongStepsEscape) {
  // Minutes (10, 20) -> (11, 22) is a step of (1, 2); on to (138, 22) a step of 127 escapes.
  TGeoDataObject o(nullptr);
  Fill(o, {PointLL(10 * M, 20 * M), PointLL(11 * M, 22 * M), PointLL(138 * M, 22 * M)});
  const Bytes expected = {0x18, 0x00, 0x00, 0x00,              // of16Bit|ofCompressed, presenter
                          0x03, 0x00, 0x0A, 0x00, 0x14, 0x00,  // count, first point
                          0x01, 0x02,                          // delta
                          0x7F, 0x8A, 0x00, 0x16, 0x00};       // escape, whole point
  EXPECT_EQ(Write(o), expected);
  TGeoDataObject back(nullptr);
  back.ReadProperties(*NewReader(expected));
  ASSERT_EQ(back.Chains().GetCount(), 1);
  EXPECT_EQ(back.Chains().GetChain(0)->GetLL(2), PointLL(138 * M, 22 * M));
  EXPECT_TRUE(back.Chains().GetChain(0)->Flags.Contains(ps16Bit));
}

TEST(GeoDataBody, OffGridStepsAreSmallIntsAndEscapeAt32767) {
  const TPointLL p1 = PointLL(100 + 32766, 195);
  const TPointLL p2 = PointLL(p1.iLongX + 32767, 195);
  TGeoDataObject o(nullptr);
  Fill(o, {PointLL(100, 200), p1, p2});
  const Bytes expected = {0x10, 0x00, 0x00, 0x00, 0x03, 0x00,              // ofCompressed, count 3
                          0x64, 0x00, 0x00, 0x00, 0xC8, 0x00, 0x00, 0x00,  // (100, 200)
                          0xFE, 0x7F, 0xFB, 0xFF,                          // (+32766, -5)
                          0xFF, 0x7F, 0x61, 0x00, 0x01, 0x00, 0xC3, 0x00, 0x00, 0x00};
  EXPECT_EQ(Write(o), expected);
}

TEST(GeoDataBody, CountsUpTo65535AreWordsAndAboveIntegers) {
  for (const int32_t n : {65535, 65536}) {
    TGeoDataObject o(nullptr);
    TPointStore* chain = o.Chains().GetChain(0);
    chain->SetCount(n);
    for (int32_t i = 0; i < n; ++i) chain->PutLL(i, PointLL(i, 7));
    const Bytes b = Write(o);
    const bool longCount = n > 65535;
    EXPECT_EQ(b[0] & 0x40, longCount ? 0x40 : 0) << n;
    if (longCount) {
      EXPECT_EQ(Bytes(b.begin() + 4, b.begin() + 8), (Bytes{0x00, 0x00, 0x01, 0x00}));
    } else {
      EXPECT_EQ(Bytes(b.begin() + 4, b.begin() + 6), (Bytes{0xFF, 0xFF}));
    }
    // Header 4, count, first point 8, then 4 bytes a step.
    EXPECT_EQ(b.size(), size_t(4 + (longCount ? 4 : 2) + 8 + 4 * (n - 1)));
    TGeoDataObject back(nullptr);
    back.ReadProperties(*NewReader(b));
    EXPECT_EQ(back.Chains().GetChain(0)->GetCount(), n);
    EXPECT_EQ(back.Chains().GetChain(0)->GetLL(n - 1), PointLL(n - 1, 7));
  }
}

TEST(GeoDataBody, NoChainsIsOneSinglePoint) {
  TGeoDataObject o(nullptr);
  o.SetCentroid(PointLL(5, 6));
  EXPECT_EQ(Write(o), (Bytes{0x20, 0x00, 0x00, 0x00, 5, 0, 0, 0, 6, 0, 0, 0}));
  TGeoDataObject back(nullptr);
  Fill(back, {PointLL(1, 1), PointLL(2, 2)});
  back.ReadProperties(*NewReader(Write(o)));
  EXPECT_EQ(back.Chains().GetCount(), 0);
  EXPECT_EQ(back.GetCentroid().iLongX, 5);
  EXPECT_EQ(back.GetCentroid().iLatY, 6);
}

TEST(GeoDataBody, RepeatedPointsGoFromIndexTwoOnOnly) {
  TGeoDataObject o(nullptr);
  Fill(o, {PointLL(1, 1), PointLL(1, 1), PointLL(5, 5), PointLL(5, 5), PointLL(9, 9)});
  Write(o);
  const TPointStore* c = o.Chains().GetChain(0);
  ASSERT_EQ(c->GetCount(), 4);
  EXPECT_EQ(c->GetLL(1), PointLL(1, 1));
  EXPECT_EQ(c->GetLL(3), PointLL(9, 9));
}

// Heights off the minute grid must keep the chain out of the 16-bit form, which stores them in
// whole minutes.
TEST(GeoDataBody, HeightsOffTheGridKeepFullPrecision) {
  TGeoDataObject o(nullptr);
  Fill(o, {PointLLH(M, M, 45'000), PointLLH(2 * M, M, 1)});
  const Bytes b = Write(o);
  EXPECT_EQ(b[0] & 0x08, 0) << "16-bit form chosen";
  EXPECT_EQ(b[0] & 0x04, 0x04);
  TGeoDataObject back(nullptr);
  back.ReadProperties(*NewReader(b));
  EXPECT_EQ(back.Chains().GetChain(0)->GetLL(0), PointLLH(M, M, 45'000));
  EXPECT_EQ(back.Chains().GetChain(0)->GetLL(1), PointLLH(2 * M, M, 1));
}

TEST(GeoDataBody, ChainsBeyondTheWordCountAreRefused) {
  TGeoDataObject o(nullptr);
  o.Chains().SetCount(65536);
  for (int32_t k = 0; k < 65536; ++k) o.Chains().GetChain(k)->Add(PointLL(k, 0));
  Written w = NewWriter();
  EXPECT_THROW(o.WriteProperties(*w.writer), EEarthException);
  EXPECT_TRUE(w.bytes().empty());
}

TEST(GeoDataBody, CountsBeyondTheBytesLeftAreRefused) {
  // ofLongCount with a count of 2^31 - 1 and one point's worth of bytes.
  EXPECT_THROW(TGeoDataObject(nullptr).ReadProperties(
                   *NewReader({0x40, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0, 2, 0, 0, 0})),
               EEarthException);
  // 1,000 chains announced, one there.
  EXPECT_THROW(TGeoDataObject(nullptr).ReadProperties(
                   *NewReader({0x00, 0x04, 0, 0, 0xE8, 0x03, 1, 0, 1, 0, 0, 0, 2, 0, 0, 0})),
               EEarthException);
  // A negative Integer count.
  EXPECT_THROW(TGeoDataObject(nullptr).ReadProperties(*NewReader({0x40, 0, 0, 0, 0, 0, 0, 0x80})),
               EEarthException);
}

TEST(GeoDataBody, EmptyChainsAreTheirCountAlone) {
  TGeoDataObject o(nullptr);
  Fill(o, {PointLL(M, M), PointLL(3 * M, M)});
  o.Chains().GetChain(1);  // made empty
  const Bytes b = Write(o);
  // Header (multi-ring, 16-bit, compressed: 8 + 4 < 2 * 8), chain count 2, chain 0 with a
  // 4-byte point and a 2-byte step, chain 1's flags word (16-bit only) and count 0.
  const Bytes expected = {0x18, 0x04, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x01,
                          0x00, 0x01, 0x00, 0x02, 0x00, 0x08, 0x00, 0x00, 0x00};
  EXPECT_EQ(b, expected);
  TGeoDataObject back(nullptr);
  auto r = NewReader(b);
  back.ReadProperties(*r);
  ASSERT_EQ(back.Chains().GetCount(), 2);
  EXPECT_EQ(back.Chains().GetChain(1)->GetCount(), 0);
  EXPECT_EQ(r->Stream().Position(), r->Stream().Size());
}

TEST(GeoDataBody, RandomChainsComeBackExactly) {
  std::mt19937 rng(19);
  for (int round = 0; round < 200; ++round) {
    TGeoDataObject o(nullptr);
    const int chains = 1 + int(rng() % 4);
    for (int k = 0; k < chains; ++k) {
      TPointStore* c = o.Chains().GetChain(k);
      const int n = int(rng() % 40);  // 0: an empty chain
      const bool grid = rng() % 2 == 0, height = rng() % 3 == 0;
      c->SetHeightFlag(height);
      const int32_t step = (rng() % 3 == 0) ? 200'000'000 : (grid ? 130 : 40'000);
      int32_t lon = int32_t(rng() % 100) * M, lat = int32_t(rng() % 100) * M;
      for (int i = 0; i < n; ++i) {
        const auto d = [&] { return int32_t(rng() % (2 * uint32_t(step) + 1)) - step; };
        const int64_t unit = grid && step < M ? M : 1;
        lon = int32_t(std::clamp<int64_t>(lon + d() * unit, -GU_180DEGREE, GU_180DEGREE));
        lat = int32_t(std::clamp<int64_t>(lat + d() * unit, -GU_90DEGREE, GU_90DEGREE));
        if (grid) lon -= lon % M, lat -= lat % M;
        const int32_t h =
            height ? (grid ? int32_t(rng() % 50) * M : int32_t(rng() % 1'000'000) - 500'000) : 0;
        c->Add(PointLLH(lon, lat, h));
      }
    }
    const Bytes b = Write(o);  // tidies o's chains the way they are stored
    TGeoDataObject back(nullptr);
    auto r = NewReader(b);
    back.ReadProperties(*r);
    EXPECT_EQ(r->Stream().Position(), r->Stream().Size());
    ASSERT_EQ(back.Chains().GetCount(), chains);
    for (int k = 0; k < chains; ++k) {
      TPointStore* a = o.Chains().GetChain(k);
      TPointStore* z = back.Chains().GetChain(k);
      ASSERT_EQ(z->GetCount(), a->GetCount()) << round << "/" << k;
      for (int i = 0; i < a->GetCount(); ++i) {
        const TPointLL pa = a->GetLL(i), pz = z->GetLL(i);
        ASSERT_EQ(pz.iLongX, pa.iLongX) << round << "/" << k << "/" << i;
        ASSERT_EQ(pz.iLatY, pa.iLatY);
        ASSERT_EQ(pz.iHeightZ, a->GetHeightFlag() ? pa.iHeightZ : 0);
      }
    }
  }
}

TEST(GeoDataObject, MovingTheCentroidMovesEveryPoint) {
  TGeoDataObject o(nullptr);
  Fill(o, {PointLL(0, 0), PointLL(2 * M, 0), PointLL(2 * M, 2 * M)});
  o.Chains().GetChain(1)->Add(PointLL(10 * M, 10 * M));
  const TPointLL c = o.GetCentroid();
  o.SetCentroid(PointLL(c.iLongX + 5, c.iLatY - 7));
  EXPECT_EQ(o.Chains().GetChain(0)->GetLL(1), PointLL(2 * M + 5, -7));
  EXPECT_EQ(o.Chains().GetChain(1)->GetLL(0), PointLL(10 * M + 5, 10 * M - 7));
  // A height offset beyond 32 bits is held at the limit rather than wrapping.
  TGeoDataObject tall(nullptr);
  Fill(tall, {PointLLH(0, 0, 2'000'000'000)});
  tall.SetCentroid(PointLLH(0, 0, -2'000'000'000));
  EXPECT_LT(tall.Chains().GetChain(0)->GetLL(0).iHeightZ, 0);
}

// An object made with room for its chains keeps them there while they fit: chains added beyond
// the room, a larger fill (off to a block of its own) and a smaller one (back in the room) leave
// every point where it was put (ASan sees any write past the room or a table freed twice).
TEST(GeoDataObject, ChainsInTheObjectsRoomAreOrdinaryChains) {
  const int32_t counts[] = {2, 1};
  std::unique_ptr<TGeoDataObject> o = TGeoDataObject::WithRoom(nullptr, counts);
  TChainStore& c = o->Chains();
  c.FillLL(counts, [&](int32_t i, int32_t* out) {
    for (int32_t k = 0; k < 2 * counts[i]; ++k) out[k] = 10 * i + k;
  });
  c.Add(std::make_unique<TPointStore>());
  c.GetChain(2)->Add(PointLL(7, 8));
  c.GetChain(0)->Add(PointLL(5, 6));
  c.Insert(0, std::make_unique<TPointStore>());
  ASSERT_EQ(c.GetCount(), 4);
  EXPECT_EQ(c.GetChain(1)->GetLL(1), PointLL(2, 3));
  EXPECT_EQ(c.GetChain(1)->GetLL(2), PointLL(5, 6));
  EXPECT_EQ(c.GetChain(2)->GetLL(0), PointLL(10, 11));
  EXPECT_EQ(c.GetChain(3)->GetLL(0), PointLL(7, 8));

  const int32_t more[] = {3, 3, 3};
  c.FillLL(more, [](int32_t i, int32_t* out) {
    for (int32_t k = 0; k < 6; ++k) out[k] = 100 * i + k;
  });
  EXPECT_EQ(c.GetChain(2)->GetLL(2), PointLL(204, 205));
  const int32_t one[] = {1};
  c.FillLL(one, [](int32_t, int32_t* out) { out[0] = 1, out[1] = 2; });
  ASSERT_EQ(c.GetCount(), 1);
  EXPECT_EQ(c.GetChain(0)->GetLL(0), PointLL(1, 2));
  const int32_t negative[] = {-1};
  EXPECT_THROW(TGeoDataObject::WithRoom(nullptr, negative), EEarthException);
}

// ---- Bitmap objects -----------------------------------------------------------------------------

// An uncompressed 8-bit bitmap of w x h with a grey palette, written byte by byte.
void WriteBmp8(const std::string& name, int32_t w, int32_t h) {
  const int32_t stride = (w + 3) / 4 * 4;
  const uint32_t offBits = 14 + 40 + 1024, size = offBits + uint32_t(stride) * uint32_t(h);
  std::ofstream out(name, std::ios::binary);
  const auto le = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) out.put(char((v >> (8 * i)) & 0xFF));
  };
  out.put('B'), out.put('M'), le(size, 4), le(0, 4), le(offBits, 4);
  le(40, 4), le(uint32_t(w), 4), le(uint32_t(h), 4), le(1, 2), le(8, 2), le(0, 4);
  le(uint32_t(stride) * uint32_t(h), 4), le(2835, 4), le(2835, 4), le(256, 4), le(0, 4);
  for (int i = 0; i < 256; ++i) le(uint32_t(i) * 0x010101u, 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < stride; ++x) out.put(char((x + y) & 0xFF));
}

using BitmapObjectTest = maptest::MapTest;

TEST_F(BitmapObjectTest, PlacedByItsTopLeftCornerAndStoredWithItsFileName) {
  TempDir dir;
  const std::string bmp = dir / "chart.bmp";
  WriteBmp8(bmp, 100, 50);
  TEarthObjectSource* source = new TEarthObjectSource(map.get());
  auto* o = new TBitmapObject(source);
  o->SetCentroid(PointLL(0, 0));
  o->SetBMPfilename(bmp);
  EXPECT_EQ(o->GetObjectMER(), MER(0, -4'500'000, 9'000'000, 4'500'000));
  EXPECT_EQ(o->Title, bmp);

  o->TransparentIndex = 3;
  Written w = NewWriter();
  o->WriteProperties(*w.writer);
  Bytes expected = {0x01, 0x00, uint8_t(bmp.size())};  // ofTitle; the title is the file name
  expected.insert(expected.end(), bmp.begin(), bmp.end());
  for (uint8_t b :
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x90, 0x5F, 0x01, 0x00, 0x90, 0x5F, 0x01, 0x00, 3, 0, 0, 0})
    expected.push_back(b);
  expected.push_back(uint8_t(bmp.size()));
  expected.insert(expected.end(), bmp.begin(), bmp.end());
  EXPECT_EQ(w.bytes(), expected);

  auto* back = new TBitmapObject(source);
  back->ReadProperties(*NewReader(expected));
  EXPECT_EQ(back->BMPFilename(), bmp);
  EXPECT_EQ(back->TransparentIndex, 3);
  EXPECT_EQ(back->GetObjectMER(), MER(0, -4'500'000, 9'000'000, 4'500'000));

  // 30,000 pixels of a degree each pass 32 bits: the extent is held at the limit.
  const std::string wide = dir / "wide.bmp";
  WriteBmp8(wide, 30'000, 1);
  auto* big = new TBitmapObject(source);
  big->SetCentroid(PointLL(0, 0));
  big->SetGUPerPixel(0, GU_DEGREE);
  big->SetBMPfilename(wide);
  EXPECT_EQ(big->GetObjectMER().iWidthX, 2147483647);
  EXPECT_EQ(source->GetCount(), 3);
  delete source;
}

}  // namespace
