// 256-colour texture bitmaps with their geographic extent.
#include <algorithm>
#include <cstring>

#include "map/earthsysutils.h"
#include "platform/rtl/files.h"
#include "platform/vcl/bitmap.h"

namespace {

constexpr const char* kTextureError = "Globe texture must be a 256 color RGB encoded bitmap";

int64_t RoundedDiv(int64_t a, int64_t b, int64_t c) {
  return EarthMulDiv(a, b, c);
}

}  // namespace

TTextureData::TTextureData() {
  extent_.Add(PointLL(-GU_180DEGREE, GU_90DEGREE));
  extent_.Add(PointLL(GU_180DEGREE, -GU_90DEGREE));
}

void TTextureData::Clear() {
  memory_.reset();
  fileHeader_ = {};
  info_ = {};
  palette_ = {};
  pixelOffset_ = 0;
  rowStride_ = 0;
}

void TTextureData::LoadFromStream(rtl::TStream& stream) {
  Clear();
  auto memory = std::make_unique<rtl::TMemoryStream>();
  memory->CopyFrom(&stream, 0);
  const auto* data = static_cast<const uint8_t*>(memory->Memory());
  const int64_t size = memory->Size();
  const auto reject = [this]() {
    Clear();
    throw EEarthException(kTextureError);
  };
  if (size < 14 + 40) reject();

  TEarthBitmapFileHeader file;
  file.bfType = GetLE16(data);
  file.bfSize = GetLE32(data + 2);
  file.bfReserved1 = GetLE16(data + 6);
  file.bfReserved2 = GetLE16(data + 8);
  file.bfOffBits = GetLE32(data + 10);
  TEarthBitmapInfoHeader info;
  const uint8_t* h = data + 14;
  info.biSize = GetLE32(h);
  info.biWidth = static_cast<int32_t>(GetLE32(h + 4));
  info.biHeight = static_cast<int32_t>(GetLE32(h + 8));
  info.biPlanes = GetLE16(h + 12);
  info.biBitCount = GetLE16(h + 14);
  info.biCompression = GetLE32(h + 16);
  info.biSizeImage = GetLE32(h + 20);
  info.biXPelsPerMeter = static_cast<int32_t>(GetLE32(h + 24));
  info.biYPelsPerMeter = static_cast<int32_t>(GetLE32(h + 28));
  info.biClrUsed = GetLE32(h + 32);
  info.biClrImportant = GetLE32(h + 36);

  if (file.bfType != 19778 || info.biSize < 40 || info.biBitCount != 8 || info.biCompression != 0)
    reject();
  // Bottom-up images of sensible size only: every row is addressed from the bottom.
  if (info.biWidth <= 0 || info.biHeight <= 0 || info.biWidth > (1 << 20) ||
      info.biHeight > (1 << 20))
    reject();
  const uint32_t colours = info.biClrUsed == 0 ? 256 : info.biClrUsed;
  if (colours > 256) reject();
  const int64_t paletteOffset = 14 + static_cast<int64_t>(info.biSize);
  if (paletteOffset + colours * 4 > size) reject();
  const int64_t stride = (static_cast<int64_t>(info.biWidth) + 3) / 4 * 4;
  const int64_t imageSize = stride * info.biHeight;
  if (file.bfOffBits < paletteOffset || file.bfOffBits + imageSize > size) reject();

  fileHeader_ = file;
  info_ = info;
  info_.biSizeImage = static_cast<uint32_t>(imageSize);
  for (uint32_t i = 0; i < colours; ++i) {
    const uint8_t* q = data + paletteOffset + i * 4;
    palette_[i] = {q[0], q[1], q[2], q[3]};
  }
  pixelOffset_ = file.bfOffBits;
  rowStride_ = stride;
  memory_ = std::move(memory);
}

void TTextureData::LoadFromFile(const std::string& fileName) {
  Clear();
  fileName_.clear();
  if (!rtl::FileExists(fileName)) return;
  rtl::TFileStream file(fileName, rtl::fmOpenRead | rtl::fmShareDenyWrite);
  LoadFromStream(file);
  fileName_ = fileName;
}

bool TTextureData::IsValid() const {
  return memory_ && memory_->Size() > 0;
}

int32_t TTextureData::GetTextureHeight() const {
  return info_.biHeight;
}

int32_t TTextureData::GetTextureWidth() const {
  return static_cast<int32_t>(rowStride_);
}

TPointLL TTextureData::LLToTextureXY(const TPointLL& p) const {
  const TPointLL tl = extent_.GetLL(0), br = extent_.GetLL(1);
  const int64_t w = GetPixelWidth(), h = GetTextureHeight();
  const int64_t dx = static_cast<int64_t>(br.iLongX) - tl.iLongX;
  const int64_t dy = static_cast<int64_t>(br.iLatY) - tl.iLatY;
  const int64_t x = dx == 0 ? 0 : RoundedDiv(static_cast<int64_t>(p.iLongX) - tl.iLongX, w - 1, dx);
  const int64_t y =
      dy == 0 ? 0 : (h - 1) - RoundedDiv(static_cast<int64_t>(p.iLatY) - tl.iLatY, h, dy);
  return {static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)),
          static_cast<int32_t>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)), 0};
}

TPointLL TTextureData::TextureXYToLL(int32_t x, int32_t y) const {
  const TPointLL tl = extent_.GetLL(0), br = extent_.GetLL(1);
  const int64_t w = GetPixelWidth(), h = GetTextureHeight();
  const int64_t dx = static_cast<int64_t>(br.iLongX) - tl.iLongX;
  const int64_t dy = static_cast<int64_t>(br.iLatY) - tl.iLatY;
  const int64_t longitude = tl.iLongX + (w == 0 ? 0 : RoundedDiv(x, dx, w));
  const int64_t latitude = tl.iLatY + (h == 0 ? 0 : RoundedDiv(y, dy, h));
  return PointLL(static_cast<int32_t>(std::clamp<int64_t>(longitude, INT32_MIN, INT32_MAX)),
                 static_cast<int32_t>(std::clamp<int64_t>(latitude, INT32_MIN, INT32_MAX)));
}

void TTextureData::MapPoint(int32_t longitude, int32_t latitude, int32_t x, int32_t y) {
  extent_.PutLL(x == 0 && y == 0 ? 0 : 1, PointLL(longitude, latitude));
}

int32_t TTextureData::ColorToIndex(uint32_t colour) const {
  if (!IsValid()) return -1;
  const uint8_t red = colour & 0xFF, green = (colour >> 8) & 0xFF, blue = (colour >> 16) & 0xFF;
  for (int32_t i = 0; i < 256; ++i) {
    const TEarthRGBQuad& q = palette_[static_cast<size_t>(i)];
    if (q.Blue == blue && q.Green == green && q.Red == red) return i;
  }
  return -1;
}

uint32_t TTextureData::IndexToColor(int32_t index) const {
  if (!IsValid() || index < 0 || index > 255) return 0;
  const TEarthRGBQuad& q = palette_[static_cast<size_t>(index)];
  return static_cast<uint32_t>(q.Red) | (static_cast<uint32_t>(q.Green) << 8) |
         (static_cast<uint32_t>(q.Blue) << 16);
}

const uint8_t* TTextureData::Pixels() const {
  if (!IsValid()) return nullptr;
  return static_cast<const uint8_t*>(memory_->Memory()) + pixelOffset_;
}

int32_t TTextureData::PixelIndex(int32_t column, int32_t row) const {
  if (!IsValid() || column < 0 || row < 0 || column >= info_.biWidth || row >= info_.biHeight)
    return -1;
  return Pixels()[row * rowStride_ + column];
}

void TTextureData::Assign(const rtl::TPersistent* source) {
  if (const auto* bitmap = dynamic_cast<const vcl::TBitmap*>(source)) {
    // Saved as its file would be and loaded: only a 256-colour bitmap makes a texture. Saving
    // makes the bitmap's handle when it has none yet.
    rtl::TMemoryStream stream;
    const_cast<vcl::TBitmap*>(bitmap)->SaveToStream(stream);
    stream.SetPosition(0);
    fileName_.clear();
    LoadFromStream(stream);
    return;
  }
  const auto* other = dynamic_cast<const TTextureData*>(source);
  if (!other) {
    TEarthRoot::Assign(source);
    return;
  }
  if (other == this) return;
  Clear();
  if (other->IsValid()) {
    other->memory_->SetPosition(0);
    LoadFromStream(*other->memory_);
  }
  fileName_ = other->fileName_;
  for (int32_t i = 0; i < 2; ++i) extent_.PutLL(i, other->extent_.GetLL(i));
  TransparentIndex = other->TransparentIndex;
}
