// Vector and bitmap map objects: geometry, hit tests, drawing and their bodies in map files.
#include "map/earthobjects.h"

#include <cstddef>
#include <cstdlib>
#include <limits>
#include <mutex>

#include "map/earthsource.h"
#include "map/earthcanvas.h"
#include "map/earthsource.h"
#include "map/earthcustommap.h"

namespace {

constexpr int32_t Unit(bool sixteenBit) {
  return sixteenBit ? GU_MINUTE : 1;
}
constexpr int32_t Escape(bool sixteenBit) {
  return sixteenBit ? 127 : 32767;
}

bool OnGrid(int32_t v) {
  return v % GU_MINUTE == 0;
}

int64_t BytesLeft(TEarthStreamReader& reader) {
  return reader.Stream().Size() - reader.Stream().Position();
}

int32_t Checked32(int64_t v) {
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    throw EEarthException("Map object: point out of range");
  }
  return static_cast<int32_t>(v);
}

// The deltas of a point from the one before, in steps of unit.
struct Delta {
  int64_t dLong, dLat, dHeight;
  bool Fits(int32_t escape) const {
    return std::llabs(dLong) < escape && std::llabs(dLat) < escape && std::llabs(dHeight) < escape;
  }
};
Delta DeltaOf(const TPointLL& p, const TPointLL& prev, int32_t unit) {
  return {(int64_t{p.iLongX} - prev.iLongX) / unit, (int64_t{p.iLatY} - prev.iLatY) / unit,
          (int64_t{p.iHeightZ} - prev.iHeightZ) / unit};
}

}  // namespace

// ---- Chains in map files ------------------------------------------------------------------------

TEarthObjectFlagsSet ChainStreamFlags(TPointStore& chain) {
  TEarthObjectFlagsSet flags{of16Bit};
  for (int32_t i = chain.GetCount() - 1; i >= 0; --i) {
    const TPointLL p = chain.GetLL(i);
    if (p.iHeightZ != 0) flags.Include(ofHeight);
    // Heights are packed in minutes too, so they must lie on the grid as well.
    if (!OnGrid(p.iLongX) || !OnGrid(p.iLatY) || !OnGrid(p.iHeightZ)) flags.Exclude(of16Bit);
    if (i >= 2 && i + 1 < chain.GetCount() && p == chain.GetLL(i + 1)) chain.Delete(i);
  }
  const int32_t count = chain.GetCount();
  const bool height = flags.Contains(ofHeight);
  const bool sixteen = flags.Contains(of16Bit);
  if (count > 0) {
    int64_t estimate = height ? 12 : 8;
    for (int32_t i = 1; i < count; ++i) {
      const bool fits =
          DeltaOf(chain.GetLL(i), chain.GetLL(i - 1), Unit(sixteen)).Fits(Escape(sixteen));
      estimate += fits ? (height ? 6 : 4) : (height ? 14 : 10);
    }
    if (estimate < int64_t{height ? 12 : 8} * count) flags.Include(ofCompressed);
  }
  if (count > 65535) flags.Include(ofLongCount);
  return flags;
}

void WritePoints(TEarthStreamWriter& writer, TPointStore& chain, TEarthObjectFlagsSet flags) {
  const bool height = flags.Contains(ofHeight);
  const bool sixteen = flags.Contains(of16Bit);
  const int32_t count = chain.GetCount();
  if (flags.Contains(ofLongCount)) {
    writer.WriteInteger(count);
  } else {
    writer.WriteWord(static_cast<uint16_t>(count));
  }
  if (count == 0) return;  // an empty chain is its count alone
  TPointLL prev = chain.GetLL(0);
  writer.WritePointLL(prev, height, sixteen);
  const int32_t unit = Unit(sixteen), escape = Escape(sixteen);
  for (int32_t i = 1; i < count; ++i) {
    const TPointLL p = chain.GetLL(i);
    if (!flags.Contains(ofCompressed)) {
      writer.WritePointLL(p, height, sixteen);
      continue;
    }
    const Delta d = DeltaOf(p, prev, unit);
    const auto put = [&](int64_t v) {
      sixteen ? writer.WriteShortInt(static_cast<int8_t>(v))
              : writer.WriteSmallInt(static_cast<int16_t>(v));
    };
    if (d.Fits(escape)) {
      put(d.dLong);
      put(d.dLat);
      if (height) put(d.dHeight);
    } else {
      put(escape);
      writer.WritePointLL(p, height, sixteen);
    }
    prev = p;
  }
}

void ReadPoints(TEarthStreamReader& reader, TPointStore& chain, TEarthObjectFlagsSet flags) {
  const bool height = flags.Contains(ofHeight);
  const bool sixteen = flags.Contains(of16Bit);
  const bool compressed = flags.Contains(ofCompressed);
  chain.SetHeightFlag(height);
  if (sixteen) chain.Flags.Include(ps16Bit);
  if (compressed) chain.Flags.Include(psCompressed);
  if (flags.Contains(ofLongCount)) chain.Flags.Include(psLongCount);
  const int64_t count = flags.Contains(ofLongCount) ? reader.ReadInteger() : reader.ReadWord();
  // Every point takes bytes: a count the rest of the stream cannot hold is a corrupt record.
  const int64_t pointBytes = (sixteen ? 2 : 4) * (height ? 3 : 2);
  const int64_t leastPerPoint = compressed ? (sixteen ? 1 : 2) * (height ? 3 : 2) : pointBytes;
  if (count < 0 || (count > 0 && (count - 1) * leastPerPoint + pointBytes > BytesLeft(reader))) {
    throw EEarthException("Map object: bad point count");
  }
  chain.SetCount(static_cast<int32_t>(count));
  if (count == 0) return;
  TPointLL first = reader.ReadPointLL(height, sixteen);
  chain.PutLL(0, first);
  const int32_t unit = Unit(sixteen), escape = Escape(sixteen);
  int64_t pLong = first.iLongX / unit, pLat = first.iLatY / unit, pHeight = first.iHeightZ / unit;
  const auto get = [&]() -> int64_t {
    return sixteen ? reader.ReadShortInt() : reader.ReadSmallInt();
  };
  for (int32_t i = 1; i < count; ++i) {
    if (!compressed) {
      chain.PutLL(i, reader.ReadPointLL(height, sixteen));
      continue;
    }
    const int64_t dLong = get();
    if (dLong != escape) {
      const int64_t dLat = get();
      const int64_t dHeight = height ? get() : 0;
      pLong += dLong;
      pLat += dLat;
      pHeight += dHeight;
      chain.PutLL(
          i, PointLLH(Checked32(pLong * unit), Checked32(pLat * unit), Checked32(pHeight * unit)));
    } else {
      const TPointLL p = reader.ReadPointLL(height, sixteen);
      chain.PutLL(i, p);
      pLong = p.iLongX / unit;
      pLat = p.iLatY / unit;
      pHeight = p.iHeightZ / unit;
    }
  }
}

// ---- Vector objects -----------------------------------------------------------------------------

TGeoDataObject::TGeoDataObject(TEarthObjectSource* source) : TEarthObject(source) {}

TGeoDataObject::~TGeoDataObject() = default;

std::unique_ptr<TGeoDataObject> TGeoDataObject::WithRoom(TEarthObjectSource* source,
                                                         std::span<const int32_t> counts) {
  const size_t room = TChainStore::BlockSize(counts);
  constexpr size_t head = (sizeof(TGeoDataObject) + alignof(std::max_align_t) - 1) /
                          alignof(std::max_align_t) * alignof(std::max_align_t);
  void* memory = ::operator new(head + room);
  TGeoDataObject* object = nullptr;
  try {
    object = ::new (memory) TGeoDataObject(source);
  } catch (...) {
    ::operator delete(memory);
    throw;
  }
  object->chains_.SetRoom(static_cast<std::byte*>(memory) + head, room);
  return std::unique_ptr<TGeoDataObject>(object);
}

TEarthObject* TGeoDataObject::NewInstance(TEarthObjectSource* source) const {
  return new TGeoDataObject(source);
}

void TGeoDataObject::Assign(const rtl::TPersistent* source) {
  TEarthObject::Assign(source);
  const auto* other = dynamic_cast<const TGeoDataObject*>(source);
  if (!other || other == this) return;
  chains_.SetCount(0);
  // The other object is only read (GetChain makes a missing chain empty, as reading it would).
  TChainStore& from = const_cast<TGeoDataObject*>(other)->chains_;
  for (int32_t i = 0; i < from.GetCount(); ++i) chains_.Add(from.GetChain(i)->Clone());
}

int64_t TGeoDataObject::ObjectInstanceSize() const {
  int64_t size = TEarthObject::ObjectInstanceSize() - int64_t{sizeof(TEarthObject)} +
                 int64_t{sizeof(TGeoDataObject)};
  return size + chains_.ObjectInstanceSize();
}

TPointLL TGeoDataObject::GetCentroid() {
  if (centroid_.iHeightZ == CENTROID_UNSET_HEIGHT) centroid_ = chains_.Centroid();
  return centroid_;
}

void TGeoDataObject::SetCentroid(const TPointLL& p) {
  const TPointLL c = GetCentroid();
  // Offsets of two positions: computed wide, and a height offset beyond 32 bits saturates.
  const auto offset = [](int32_t to, int32_t from) {
    return SaturateToInt32(static_cast<Extended>(int64_t{to} - from));
  };
  const int32_t dLong = offset(p.iLongX, c.iLongX), dLat = offset(p.iLatY, c.iLatY),
                dHeight = offset(p.iHeightZ, c.iHeightZ);
  for (int32_t i = 0; i < chains_.GetCount(); ++i)
    chains_.GetChain(i)->Translate(dLong, dLat, dHeight);
  TEarthObject::SetCentroid(p);
}

TMER TGeoDataObject::GetObjectMER() {
  if (!State.Contains(osValidMER)) {
    State.Include(osValidMER);
    if (chains_.GetCount() == 0) {
      const TPointLL c = GetCentroid();
      ObjectMER = MER(c.iLongX, c.iLatY, 0, 0);
    } else {
      ObjectMER = chains_.ChainStoreMER();
    }
  }
  return ObjectMER;
}

void TGeoDataObject::RedrawObject() {
  TEarthObject::RedrawObject();
  State.Exclude(osValidMER);
  for (int32_t i = 0; i < chains_.GetCount(); ++i) chains_.GetChain(i)->Refresh();
  if (chains_.GetCount() > 0) centroid_.iHeightZ = CENTROID_UNSET_HEIGHT;
}

void TGeoDataObject::Render(TCustomEarthMap* globe, TEarthObjectStateSet state) {
  TEarthCanvas* canvas = globe->EarthCanvas();
  const bool selected = state.Contains(osSelected);
  canvas->DefaultPen()->RenderAttribute(canvas, selected);
  if (GetClosed()) canvas->DefaultBrush()->RenderAttribute(canvas, selected);
  if (chains_.GetCount() > 0) {
    canvas->RenderChainStore(chains_, state, canvas->DefaultPen()->PenWidth());
  } else if (globe->Projection()->Model()->PointLLToXY(GetCentroid(), 0)) {
    const TEarthDevicePoint pt = gaPoints[0];
    gdi::Ellipse(canvas->Handle(), pt.X - 2, pt.Y - 2, pt.X + 2, pt.Y + 2);
  }
}

bool TGeoDataObject::LLInObject(const TPointLL& point, int32_t tolerance) {
  if (LLInObjectMER(point, tolerance) == 0) return false;
  if (chains_.GetCount() == 0) return true;
  for (int32_t i = 0; i < chains_.GetCount(); ++i) {
    const TPointStore* chain = chains_.GetChain(i);
    if (GetClosed() ? chain->PointInPolygon(point.iLongX, point.iLatY)
                    : chain->PointOnPolyline(point.iLongX, point.iLatY, tolerance)) {
      return true;
    }
  }
  return false;
}

void TGeoDataObject::WriteProperties(TEarthStreamWriter& writer) {
  const int32_t chains = chains_.GetCount();
  if (chains > 65535) throw EEarthException("Map object: too many chains for a map file");
  Flags = chains == 0 ? TEarthObjectFlagsSet{ofSingle} : ChainStreamFlags(*chains_.GetChain(0));
  if (chains > 1) Flags.Include(ofMultiRing);
  TEarthObject::WriteProperties(writer);
  if (chains == 0) {
    writer.WritePointLL(GetCentroid(), false, false);
    return;
  }
  if (chains > 1) writer.WriteSmallInt(static_cast<int16_t>(chains));
  for (int32_t k = 0; k < chains; ++k) {
    TPointStore& chain = *chains_.GetChain(k);
    TEarthObjectFlagsSet flags = Flags;
    if (k > 0) {
      flags = ChainStreamFlags(chain);
      writer.WriteWord(flags.Word());
    }
    WritePoints(writer, chain, flags);
  }
}

void TGeoDataObject::ReadProperties(TEarthStreamReader& reader) {
  TEarthObject::ReadProperties(reader);
  chains_.SetCount(0);
  if (Flags.Contains(ofSingle)) {
    SetCentroid(reader.ReadPointLL(Flags.Contains(ofHeight), Flags.Contains(of16Bit)));
    return;
  }
  const int32_t chains = Flags.Contains(ofMultiRing) ? reader.ReadWord() : 1;
  // Every chain after the first takes at least its flags word and a count.
  if (int64_t{chains - 1} * 4 + 2 > BytesLeft(reader)) {
    throw EEarthException("Map object: bad chain count");
  }
  for (int32_t k = 0; k < chains; ++k) {
    const TEarthObjectFlagsSet flags =
        k == 0 ? Flags : TEarthObjectFlagsSet::FromWord(reader.ReadWord());
    ReadPoints(reader, *chains_.GetChain(k), flags);
  }
  centroid_.iHeightZ = CENTROID_UNSET_HEIGHT;
  State.Exclude(osValidMER);
}

// ---- Bitmap objects -----------------------------------------------------------------------------

TBitmapObject::TBitmapObject(TEarthObjectSource* source)
    : TEarthObject(source), texture_(std::make_unique<TTextureData>()) {}

TBitmapObject::~TBitmapObject() = default;

TEarthObject* TBitmapObject::NewInstance(TEarthObjectSource* source) const {
  return new TBitmapObject(source);
}

void TBitmapObject::Assign(const rtl::TPersistent* source) {
  TEarthObject::Assign(source);
  const auto* other = dynamic_cast<const TBitmapObject*>(source);
  if (!other || other == this) return;
  EarthUnitsPerXPixel = other->EarthUnitsPerXPixel;
  EarthUnitsPerYPixel = other->EarthUnitsPerYPixel;
  TransparentIndex = other->TransparentIndex;
  SetBMPfilename(other->bmpFilename_);
}

void TBitmapObject::SetBMPfilename(const std::string& name) {
  TEarthObjectSource* source = Parent();
  bmpFilename_ = source ? source->Globe()->ResolveFilename(name) : name;
  if (bmpFilename_.empty()) return;
  texture_->LoadFromFile(bmpFilename_);
  texture_->TransparentIndex = TransparentIndex;
  if (Title.empty()) Title = name;
  State.Exclude(osValidMER);
  RedrawObject();
}

void TBitmapObject::SetGUPerPixel(int axis, int32_t value) {
  if (axis == 0 || axis == 1) EarthUnitsPerXPixel = value;
  if (axis == 0 || axis == 2) EarthUnitsPerYPixel = value;
  State.Exclude(osValidMER);
  RedrawObject();
}

void TBitmapObject::SetTransparentColor(uint32_t colour) {
  TransparentIndex = texture_->ColorToIndex(colour);
  texture_->TransparentIndex = TransparentIndex;
}

uint32_t TBitmapObject::GetTransparentColor() const {
  return texture_->IndexToColor(TransparentIndex);
}

TMER TBitmapObject::GetObjectMER() {
  if (State.Contains(osValidMER)) return ObjectMER;
  if (!texture_->IsValid()) return TEarthObject::GetObjectMER();
  State.Include(osValidMER);
  const TPointLL c = GetCentroid();
  const int32_t w = texture_->GetPixelWidth(), h = texture_->GetTextureHeight();
  // Pixels times their size can pass 32 bits: worked wide, held to the 32-bit range.
  const int32_t width = SaturateToInt32(static_cast<Extended>(int64_t{w} * EarthUnitsPerXPixel));
  const int32_t height = SaturateToInt32(static_cast<Extended>(int64_t{h} * EarthUnitsPerYPixel));
  const int32_t south = SaturateToInt32(static_cast<Extended>(int64_t{c.iLatY} - height));
  const int32_t east = SaturateToInt32(static_cast<Extended>(int64_t{c.iLongX} + width));
  ObjectMER = MER(c.iLongX, south, width, height);
  texture_->MapPoint(c.iLongX, c.iLatY, 0, 0);
  texture_->MapPoint(east, south, w, h);
  return ObjectMER;
}

void TBitmapObject::Render(TCustomEarthMap* globe, TEarthObjectStateSet) {
  GetObjectMER();
  if (texture_->IsValid()) globe->EarthCanvas()->RenderTextureMap(*texture_);
}

void TBitmapObject::WriteProperties(TEarthStreamWriter& writer) {
  TEarthObject::WriteProperties(writer);
  const TPointLL c = GetCentroid();
  writer.WriteInteger(c.iLongX);
  writer.WriteInteger(c.iLatY);
  writer.WriteInteger(EarthUnitsPerXPixel);
  writer.WriteInteger(EarthUnitsPerYPixel);
  writer.WriteInteger(TransparentIndex);
  writer.WriteShortString(bmpFilename_);
}

void TBitmapObject::ReadProperties(TEarthStreamReader& reader) {
  TEarthObject::ReadProperties(reader);
  const int32_t longitude = reader.ReadInteger();
  const int32_t latitude = reader.ReadInteger();
  SetCentroid(PointLL(longitude, latitude));
  EarthUnitsPerXPixel = reader.ReadInteger();
  EarthUnitsPerYPixel = reader.ReadInteger();
  TransparentIndex = reader.ReadInteger();
  SetBMPfilename(reader.ReadShortString());
}

void RegisterEarthObjects() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterEarthClass<TGeoDataObject>(
        "TGeoDataObject",
        [](TEarthObjectSource* s) -> rtl::TObject* { return new TGeoDataObject(s); });
    RegisterEarthClass<TBitmapObject>("TBitmapObject", [](TEarthObjectSource* s) -> rtl::TObject* {
      return new TBitmapObject(s);
    });
  });
}
