// Dynamic arrays, point stores and chain stores.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "map/earthsysutils.h"
#include "platform/rtl/sysutils.h"

// ---- Dynamic arrays -----------------------------------------------------------------------------

TDynArray& TDynArray::operator=(TDynArray&& other) noexcept {
  if (this != &other) {
    DynArrayFree(*this);
    record_ = other.release();
  }
  return *this;
}

TDynArray::~TDynArray() {
  DynArrayFree(*this);
}

TDynArray DynArrayCreate(int32_t elemSize, int32_t count) {
  if (elemSize <= 0 || count < 0) throw EEarthException("DynArrayCreate: Invalid Parameter");
  auto record = std::make_unique<TDynArrayRecord>();
  record->ElemSize = elemSize;
  record->Count = count;
  record->Elements.resize(static_cast<size_t>(elemSize) * static_cast<size_t>(count));
  return TDynArray(record.release());
}

TDynArray DynArrayCreateObjects(int32_t count) {
  TDynArray a = DynArrayCreate(DynArrayObjectSize, count);
  a->Objects = true;
  return a;
}

int32_t DynArrayCount(const TDynArray& a) {
  return a ? a->Count : 0;
}

void* DynArrayPtr(const TDynArray& a, int32_t i) {
  if (!a || i < 0 || i >= a->Count) return nullptr;
  return a->Elements.data() + static_cast<size_t>(i) * static_cast<size_t>(a->ElemSize);
}

namespace {

void* CheckedPtr(const TDynArray& a, int32_t i, size_t width, const char* what) {
  void* p = DynArrayPtr(a, i);
  if (!p || static_cast<size_t>(a->ElemSize) < width) {
    throw EEarthException(rtl::Format("%s: Invalid Index %d", what, i));
  }
  return p;
}

}  // namespace

void* DynArrayAsObject(const TDynArray& a, int32_t i) {
  void* obj = nullptr;
  std::memcpy(&obj, CheckedPtr(a, i, sizeof obj, "DynArrayAsObject"), sizeof obj);
  return obj;
}

int32_t DynArrayAsInteger(const TDynArray& a, int32_t i) {
  int32_t v = 0;
  std::memcpy(&v, CheckedPtr(a, i, sizeof v, "DynArrayAsInteger"), sizeof v);
  return v;
}

void DynArraySetAsObject(const TDynArray& a, int32_t i, void* obj) {
  std::memcpy(CheckedPtr(a, i, sizeof obj, "DynArraySetAsObject"), &obj, sizeof obj);
}

void DynArraySetAsInteger(const TDynArray& a, int32_t i, int32_t v) {
  std::memcpy(CheckedPtr(a, i, sizeof v, "DynArraySetAsInteger"), &v, sizeof v);
}

void DynArrayIncReference(const TDynArray& a) {
  if (a) ++a->RefCount;
}

void DynArrayDecReference(const TDynArray& a) {
  if (a) --a->RefCount;
}

int32_t DynArrayIndexOfObject(const TDynArray& a, const void* obj) {
  if (!a || !a->Objects) return -1;
  for (int32_t i = 0; i < a->Count; ++i) {
    if (DynArrayAsObject(a, i) == obj) return i;
  }
  return -1;
}

void DynArraySetLength(TDynArray& a, int32_t n) {
  if (!a || n < 0) throw EEarthException("DynArraySetLength: Invalid Parameter");
  if (n == a->Count) return;
  a->Elements.resize(static_cast<size_t>(n) * static_cast<size_t>(a->ElemSize));
  a->Count = n;
}

void DynArrayInsert(TDynArray& a, int32_t i) {
  if (!a || i < 0 || i > a->Count) throw EEarthException("DynArrayInsert: Invalid Parameter");
  const int32_t oldCount = a->Count;
  DynArraySetLength(a, oldCount + 1);
  const size_t size = static_cast<size_t>(a->ElemSize);
  std::byte* base = a->Elements.data();
  std::memmove(base + (i + 1) * size, base + i * size, (oldCount - i) * size);
}

void DynArrayDelete(TDynArray& a, int32_t i) {
  if (!a || i < 0 || i >= a->Count) return;
  const size_t size = static_cast<size_t>(a->ElemSize);
  std::byte* base = a->Elements.data();
  std::memmove(base + i * size, base + (i + 1) * size, (a->Count - i - 1) * size);
  --a->Count;
}

void DynArrayMove(TDynArray& a, int32_t from, int32_t to) {
  if (!a) throw EEarthException("DynArrayMove: Invalid Parameter");
  if (from == to || from < 0 || to < 0 || from >= a->Count || to >= a->Count) return;
  const size_t size = static_cast<size_t>(a->ElemSize);
  std::vector<std::byte> item(size);
  std::memcpy(item.data(), DynArrayPtr(a, from), size);
  DynArrayDelete(a, from);
  DynArrayInsert(a, to);
  std::memcpy(DynArrayPtr(a, to), item.data(), size);
}

TDynArray DynArrayClone(const TDynArray& a) {
  if (!a) return TDynArray();
  auto record = std::make_unique<TDynArrayRecord>(*a.get());
  record->RefCount = 0;
  record->Elements.resize(static_cast<size_t>(record->Count) * record->ElemSize);
  return TDynArray(record.release());
}

void DynArrayFree(TDynArray& a) {
  TDynArrayRecord* record = a.release();
  if (!record) return;
  if (record->RefCount != 0) {
    --record->RefCount;
    return;
  }
  std::unique_ptr<TDynArrayRecord> owner(record);
}

// ---- Point store --------------------------------------------------------------------------------

namespace {

struct StoredLLH {
  int32_t longitude, latitude, height;
};

}  // namespace

TPointStore::TPointStore(bool height) {
  Flags.Set(psHeight, height);
}

void TPointStore::CheckIndex(int32_t i, int32_t high) const {
  if (i < 0 || i > high) {
    throw EEarthException(rtl::Format("TPointStore: Point index %d out of range", i));
  }
}

int32_t TPointStore::GetCount() const {
  return count_;
}

void TPointStore::Reserve(int32_t n) {
  if (width_ == 0) width_ = ElemSize();
  if (n <= capacity_) return;
  const int32_t capacity = std::max(n, count_ + count_ / 2);
  auto room = std::make_unique_for_overwrite<std::byte[]>(static_cast<size_t>(capacity) * width_);
  if (count_ > 0) std::memcpy(room.get(), data_, static_cast<size_t>(count_) * width_);
  own_ = std::move(room);
  data_ = own_.get();
  capacity_ = capacity;
}

void TPointStore::Changed() {
  DynArrayFree(cache3D_);
  drawn_.reset();
}

TPointStore::TDrawn& TPointStore::Drawn() const {
  if (!drawn_) drawn_ = std::make_unique<TDrawn>();
  return *drawn_;
}

void TPointStore::SetCount(int32_t n) {
  if (n < 0) throw EEarthException(rtl::Format("TPointStore: Invalid point count %d", n));
  Changed();
  Reserve(n);
  // New points are zero, as a fresh array's are.
  if (n > count_) std::memset(Point(count_), 0, static_cast<size_t>(n - count_) * width_);
  count_ = n;
}

int32_t* TPointStore::ResizeLL(int32_t n) {
  if (GetHeightFlag()) throw EEarthException("TPointStore: points without height expected");
  if (n < 0) throw EEarthException(rtl::Format("TPointStore: Invalid point count %d", n));
  Changed();
  // Whatever was there is written over: nothing to keep or clear.
  if (width_ != 8 || n > capacity_) {
    own_.reset();
    data_ = nullptr;
    count_ = capacity_ = 0;
    width_ = 8;
    Reserve(n);
  }
  count_ = n;
  static_assert(sizeof(int32_t) * 2 == 8);
  return reinterpret_cast<int32_t*>(data_);
}

TPointLL TPointStore::GetLL(int32_t i) const {
  CheckIndex(i, count_ - 1);
  StoredLLH p{0, 0, 0};
  std::memcpy(&p, Point(i), static_cast<size_t>(width_));
  return {p.longitude, p.latitude, p.height};
}

void TPointStore::PutLL(int32_t i, const TPointLL& pt) {
  CheckIndex(i, count_ - 1);
  Changed();
  const StoredLLH p{pt.iLongX, pt.iLatY, pt.iHeightZ};
  std::memcpy(Point(i), &p, static_cast<size_t>(width_));
}

int32_t TPointStore::Add(const TPointLL& pt) {
  // A track grows by a point a second: its globe positions grow with it rather than being worked
  // out again, unless another holder shares them.
  TDynArray kept;
  if (cache3D_ && cache3D_->RefCount == 0 && DynArrayCount(cache3D_) == count_)
    kept = std::move(cache3D_);
  const int32_t index = count_;
  SetCount(index + 1);
  PutLL(index, pt);
  if (kept) {
    DynArraySetLength(kept, count_);
    const TPoint3D p = Get3D(index);
    std::memcpy(DynArrayPtr(kept, index), &p, sizeof p);
    cache3D_ = std::move(kept);
  }
  return index;
}

void TPointStore::Insert(int32_t i, const TPointLL& pt) {
  CheckIndex(i, count_);
  Changed();
  Reserve(count_ + 1);
  std::memmove(Point(i + 1), Point(i), static_cast<size_t>(count_ - i) * width_);
  ++count_;
  PutLL(i, pt);
}

void TPointStore::Delete(int32_t i) {
  CheckIndex(i, count_ - 1);
  Changed();
  std::memmove(Point(i), Point(i + 1), static_cast<size_t>(count_ - i - 1) * width_);
  --count_;
}

TPointDD TPointStore::GetDD(int32_t i) const {
  const TPointLL p = GetLL(i);
  return {p.iLongX * GU_TODECIMALDEGREES, p.iLatY * GU_TODECIMALDEGREES,
          p.iHeightZ * GU_TODECIMALDEGREES};
}

void TPointStore::PutDD(int32_t i, const TPointDD& dd) {
  PutLL(i, {Mod180(DecimalToEarthUnits(dd.LongX)), DecimalToEarthUnits(dd.LatY),
            DecimalToEarthUnits(dd.HeightZ)});
}

TPoint3D TPointStore::Get3D(int32_t i) const {
  const TPointLL p = GetLL(i);
  return Point3D(p.iLongX, p.iLatY, p.iHeightZ);
}

void TPointStore::SetHeightFlag(bool b) {
  if (b == GetHeightFlag()) return;
  const std::unique_ptr<TPointStore> copy = Clone();
  Flags.Set(psHeight, b);
  Changed();
  own_.reset();
  data_ = nullptr;
  count_ = capacity_ = width_ = 0;
  const int32_t count = copy->GetCount();
  SetCount(count);
  for (int32_t i = 0; i < count; ++i) {
    TPointLL p = copy->GetLL(i);
    if (!b) p.iHeightZ = 0;
    PutLL(i, p);
  }
}

void TPointStore::Refresh() {
  Changed();
}

void TPointStore::Translate(int32_t dLong, int32_t dLat, int32_t dHeight) {
  Changed();
  const bool height = GetHeightFlag();
  for (int32_t i = 0; i < GetCount(); ++i) {
    TPointLL p = GetLL(i);
    // Unsigned arithmetic: offsets wrap instead of overflowing.
    p.iLongX = static_cast<int32_t>(static_cast<uint32_t>(p.iLongX) + static_cast<uint32_t>(dLong));
    p.iLatY = static_cast<int32_t>(static_cast<uint32_t>(p.iLatY) + static_cast<uint32_t>(dLat));
    if (height) {
      p.iHeightZ =
          static_cast<int32_t>(static_cast<uint32_t>(p.iHeightZ) + static_cast<uint32_t>(dHeight));
    }
    PutLL(i, p);
  }
}

TPointLL TPointStore::Centroid() const {
  Extended sumLong = 0, sumLat = 0, sumHeight = 0;
  const int32_t count = GetCount();
  for (int32_t i = 0; i < count; ++i) {
    const TPointLL p = GetLL(i);
    sumLong += p.iLongX;
    sumLat += p.iLatY;
    sumHeight += p.iHeightZ;
  }
  const Extended n = count == 0 ? 1 : count;
  return {Mod180(SaturateToInt32(sumLong / n)), SaturateToInt32(sumLat / n),
          SaturateToInt32(sumHeight / n)};
}

namespace {

// Globe units of one longitude step the short way round, in (-180, 180] degrees.
int64_t ShortWay(int64_t d) {
  if (d >= GU_360DEGREE || d <= -GU_360DEGREE) d %= GU_360DEGREE;
  if (d > GU_180DEGREE) d -= GU_360DEGREE;
  if (d <= -GU_180DEGREE) d += GU_360DEGREE;
  return d;
}

// A ring laid out flat with its longitudes unwrapped: every step is taken as the canvas draws it
// (LongStep), so that a ring across the 180th meridian is one piece, except a step along a pole,
// which is kept as it stands (an edge from 180 to -180 along the pole is a real edge of a ring
// that encloses that pole).
struct FlatRing {
  std::vector<int64_t> xs, ys;
  int64_t west = 0, east = 0, south = 0, north = 0;
  // Whole turns round the globe the ring makes, closing step included; a ring that turns
  // encloses the pole on the side of the middle of its latitudes.
  int64_t turns = 0;
  int64_t pole = 0;
};

// The extent and turns only, without the points, unless keepPoints.
FlatRing Unwrap(const TPointStore& store, int64_t firstX, bool keepPoints) {
  FlatRing r;
  const int32_t count = store.GetCount();
  if (keepPoints) {
    r.xs.resize(static_cast<size_t>(count));
    r.ys.resize(static_cast<size_t>(count));
  }
  const auto step = [](const TPointLL& a, const TPointLL& b) {
    const int64_t d = static_cast<int64_t>(b.iLongX) - a.iLongX;
    const bool alongPole =
        a.iLatY == b.iLatY && (a.iLatY == GU_90DEGREE || a.iLatY == -GU_90DEGREE);
    return alongPole ? d : LongStep(a.iLongX, b.iLongX);
  };
  const TPointLL first = store.GetLL(0);
  TPointLL p = first;
  int64_t x = firstX;
  r.west = r.east = x;
  r.south = r.north = first.iLatY;
  if (keepPoints) {
    r.xs[0] = x;
    r.ys[0] = first.iLatY;
  }
  for (int32_t i = 1; i < count; ++i) {
    const TPointLL q = store.GetLL(i);
    x += step(p, q);
    if (keepPoints) {
      r.xs[i] = x;
      r.ys[i] = q.iLatY;
    }
    r.west = std::min(r.west, x);
    r.east = std::max(r.east, x);
    r.south = std::min<int64_t>(r.south, q.iLatY);
    r.north = std::max<int64_t>(r.north, q.iLatY);
    p = q;
  }
  r.turns = (x + step(p, first) - firstX) / GU_360DEGREE;
  r.pole = r.south + r.north < 0 ? -GU_90DEGREE : GU_90DEGREE;
  return r;
}

}  // namespace

TMER TPointStore::PointStoreMER() const {
  const int32_t count = GetCount();
  if (count == 0) return MER(0, 0, 0, 0);
  // A long chain (a track) keeps it until it changes: its object asks again every second.
  constexpr int32_t kLong = 256;
  if (count >= kLong) {
    TDrawn& drawn = Drawn();
    if (!drawn.mer) drawn.mer = WorkOutMER();
    return *drawn.mer;
  }
  return WorkOutMER();
}

TMER TPointStore::WorkOutMER() const {
  FlatRing r = Unwrap(*this, GetLL(0).iLongX, false);
  const auto span = [](int64_t lo, int64_t hi) {
    return static_cast<int32_t>(std::min<int64_t>(hi - lo, 2147483647));
  };
  if (r.turns != 0) {
    // Round a pole: every longitude, and the latitudes up to that pole.
    r.south = std::min(r.south, r.pole);
    r.north = std::max(r.north, r.pole);
  }
  if (r.turns != 0 || r.east - r.west >= GU_360DEGREE) {
    return MER(-971'999'999, static_cast<int32_t>(r.south), 1'943'999'998, span(r.south, r.north));
  }
  // The smallest interval holding the ring (each edge as LongStep takes it); a west end outside
  // the plain range is brought back within [-180, 180), so that an east end past 180 stands for
  // the wrap.
  int64_t west = r.west;
  if (r.west < -972'000'001 || r.west > 972'000'001) {
    west = (r.west + GU_180DEGREE) % GU_360DEGREE;
    if (west < 0) west += GU_360DEGREE;
    west -= GU_180DEGREE;
  }
  return MER(static_cast<int32_t>(west), static_cast<int32_t>(r.south), span(r.west, r.east),
             span(r.south, r.north));
}

bool TPointStore::PointInPolygon(int32_t longitude, int32_t latitude) const {
  // Even-odd rule on longitudes taken relative to the test point, on the ring unwrapped. A ring
  // round a pole is closed through that pole; the point is then tried at each of its copies a
  // turn apart that the ring spans, each copy inside flipping the answer.
  const int32_t count = GetCount();
  if (count == 0) return false;
  FlatRing r = Unwrap(*this, ShortWay(static_cast<int64_t>(GetLL(0).iLongX) - longitude), true);
  if (r.turns != 0) {
    const int64_t back = r.xs[0] + r.turns * GU_360DEGREE;
    r.xs.insert(r.xs.end(), {back, back, r.xs[0]});
    r.ys.insert(r.ys.end(), {r.ys[0], r.pole, r.pole});
    r.west = std::min(r.west, back);
    r.east = std::max(r.east, back);
  }
  const size_t n = r.xs.size();
  const auto inside = [&](int64_t x0) {
    bool in = false;
    int64_t px = r.xs[n - 1], py = r.ys[n - 1];
    for (size_t i = 0; i < n; ++i) {
      const int64_t x = r.xs[i], y = r.ys[i];
      if ((y <= latitude && latitude < py) || (py <= latitude && latitude < y)) {
        const int64_t crossing = x + EarthMulDiv(px - x, latitude - y, py - y);
        if (crossing > x0) in = !in;
      }
      px = x;
      py = y;
    }
    return in;
  };
  const int64_t first =
      r.west >= 0 ? (r.west + GU_360DEGREE - 1) / GU_360DEGREE : -(-r.west / GU_360DEGREE);
  bool in = false;
  for (int64_t k = first; k * GU_360DEGREE <= r.east; ++k) in ^= inside(k * GU_360DEGREE);
  return in;
}

bool TPointStore::PointOnPolyline(int32_t longitude, int32_t latitude, int32_t tolerance) const {
  // Each segment as it is drawn (LongStep): one across the 180th meridian is tried with the
  // point on either side of it.
  const int32_t count = GetCount();
  for (int32_t i = 1; i < count; ++i) {
    const TPointLL a = GetLL(i - 1), b = GetLL(i);
    const Extended east = Extended(a.iLongX) + LongStep(a.iLongX, b.iLongX);
    for (const int64_t turn : {int64_t{0}, int64_t{GU_360DEGREE}, -int64_t{GU_360DEGREE}}) {
      if (PointOnLine(Extended(longitude) + turn, latitude, a.iLongX, a.iLatY, east, b.iLatY,
                      tolerance)) {
        return true;
      }
    }
  }
  return false;
}

TDynArray TPointStore::Point3DArray(bool keep) {
  if (!keep) DynArrayFree(cache3D_);
  TDynArray result;
  if (cache3D_) {
    DynArrayIncReference(cache3D_);
    return TDynArray(cache3D_.get());
  }
  const int32_t count = GetCount();
  result = DynArrayCreate(12, count);
  for (int32_t i = 0; i < count; ++i) {
    const TPoint3D p = Get3D(i);
    std::memcpy(DynArrayPtr(result, i), &p, sizeof p);
  }
  if (keep) {
    cache3D_ = std::move(result);
    DynArrayIncReference(cache3D_);
    return TDynArray(cache3D_.get());
  }
  return result;
}

std::unique_ptr<TPointStore> TPointStore::Clone() const {
  auto copy = std::make_unique<TPointStore>();
  copy->Flags = Flags;
  copy->width_ = width_;
  copy->Reserve(count_);
  if (count_ > 0) std::memcpy(copy->data_, data_, static_cast<size_t>(count_) * width_);
  copy->count_ = count_;
  return copy;
}

int64_t TPointStore::ObjectInstanceSize() const {
  int64_t size = static_cast<int64_t>(sizeof(TPointStore));
  size += static_cast<int64_t>(count_) * 4 * (GetHeightFlag() ? 3 : 2);
  if (cache3D_) size += static_cast<int64_t>(DynArrayCount(cache3D_)) * 12;
  if (drawn_) {
    size += static_cast<int64_t>(
        sizeof(TDrawn) + drawn_->points.size() * sizeof(TEarthDevicePoint) +
        drawn_->pieces.size() * sizeof(int32_t) + drawn_->view.size() * sizeof(Extended));
  }
  return size;
}

// ---- Chain store --------------------------------------------------------------------------------

void TChainStore::CheckIndex(int32_t i, int32_t high) const {
  if (i < 0 || i > high) {
    throw EEarthException(rtl::Format("TChainStore: Chain index %d out of range", i));
  }
}

void TChainStore::SetCount(int32_t n) {
  if (n < 0) throw EEarthException(rtl::Format("TChainStore: Invalid chain count %d", n));
  while (GetCount() > n) chains_.pop_back();
  chains_.resize(static_cast<size_t>(n));
}

TPointStore* TChainStore::GetChain(int32_t i) {
  if (i < 0) CheckIndex(i, GetCount() - 1);
  if (i >= GetCount()) SetCount(i + 1);
  auto& slot = chains_[static_cast<size_t>(i)];
  if (!slot) slot = Chain(new TPointStore(storeHeight_));
  return slot.get();
}

void TChainStore::SetChain(int32_t i, std::unique_ptr<TPointStore> store) {
  CheckIndex(i, GetCount() - 1);
  chains_[static_cast<size_t>(i)] = Chain(store.release());
}

int32_t TChainStore::Add(std::unique_ptr<TPointStore> store) {
  chains_.push_back(Chain(store.release()));
  return GetCount() - 1;
}

void TChainStore::Insert(int32_t i, std::unique_ptr<TPointStore> store) {
  CheckIndex(i, GetCount());
  chains_.insert(chains_.begin() + i, Chain(store.release()));
}

void TChainStore::Delete(int32_t i) {
  CheckIndex(i, GetCount() - 1);
  chains_.erase(chains_.begin() + i);
}

void TChainStore::Move(int32_t from, int32_t to) {
  if (from == to || from < 0 || to < 0 || from >= GetCount() || to >= GetCount()) return;
  auto item = std::move(chains_[static_cast<size_t>(from)]);
  chains_.erase(chains_.begin() + from);
  chains_.insert(chains_.begin() + to, std::move(item));
}

void TChainStore::SetStoreHeight(bool b) {
  if (b == storeHeight_) return;
  storeHeight_ = b;
  for (auto& chain : chains_) {
    if (chain) chain->SetHeightFlag(b);
  }
}

std::unique_ptr<TChainStore> TChainStore::Clone() const {
  auto copy = std::make_unique<TChainStore>();
  copy->storeHeight_ = storeHeight_;
  copy->chains_.reserve(chains_.size());
  for (const auto& chain : chains_)
    copy->chains_.push_back(Chain(chain ? chain->Clone().release() : nullptr));
  return copy;
}

TPointLL TChainStore::Centroid() const {
  Extended sumLong = 0, sumLat = 0, sumHeight = 0;
  for (const auto& chain : chains_) {
    if (!chain) continue;
    const TPointLL c = chain->Centroid();
    sumLong += c.iLongX;
    sumLat += c.iLatY;
    sumHeight += c.iHeightZ;
  }
  const Extended n = chains_.empty() ? 1 : static_cast<Extended>(chains_.size());
  return {Mod180(SaturateToInt32(sumLong / n)), SaturateToInt32(sumLat / n),
          SaturateToInt32(sumHeight / n)};
}

TMER TChainStore::ChainStoreMER() const {
  if (chains_.empty()) return MER(0, 0, 0, 0);
  TMER result = chains_[0] ? chains_[0]->PointStoreMER() : MER(0, 0, 0, 0);
  for (size_t i = 1; i < chains_.size(); ++i) {
    if (chains_[i] && chains_[i]->GetCount() > 0) {
      result = UnionMER(result, chains_[i]->PointStoreMER());
    }
  }
  return result;
}

void TChainStore::ChainDeleter::operator()(TPointStore* store) const {
  if (inBlock) {
    store->~TPointStore();
  } else {
    delete store;
  }
}

int64_t TChainStore::ObjectInstanceSize() const {
  int64_t size = 0;
  for (const Chain& chain : chains_) {
    size += chain ? chain->ObjectInstanceSize() : int64_t{sizeof(TPointStore)};
  }
  return size;
}

size_t TChainStore::BlockSize(std::span<const int32_t> counts) {
  int64_t points = 0;
  for (const int32_t n : counts) {
    if (n < 0) throw EEarthException(rtl::Format("TPointStore: Invalid point count %d", n));
    points += n;
  }
  return counts.size() * (sizeof(Chain) + sizeof(TPointStore)) + static_cast<size_t>(points) * 8;
}

void TChainStore::MakeBlock(std::span<const int32_t> counts) {
  if (storeHeight_) throw EEarthException("TChainStore: points without height expected");
  const size_t size = BlockSize(counts);
  chains_ = ChainTable();
  block_.reset();
  // The table of chains, the stores, then their points, each chain's after the one before: in
  // the owner's room when they fit there.
  static_assert(sizeof(Chain) % alignof(TPointStore) == 0);
  static_assert(sizeof(TPointStore) % alignof(int32_t) == 0);
  std::byte* base = room_;
  if (size > roomSize_) {
    block_ = std::make_unique_for_overwrite<std::byte[]>(size);
    base = block_.get();
  }
  const size_t table = counts.size() * sizeof(Chain);
  chains_ = ChainTable(TableAllocator<Chain>(reinterpret_cast<Chain*>(base), counts.size()));
  chains_.reserve(counts.size());
  std::byte* next = base + table + counts.size() * sizeof(TPointStore);
  for (size_t i = 0; i < counts.size(); ++i) {
    auto* store = new (base + table + i * sizeof(TPointStore)) TPointStore(false);
    chains_.push_back(Chain(store, ChainDeleter{true}));
    store->data_ = next;
    store->count_ = store->capacity_ = counts[i];
    store->width_ = 8;
    next += static_cast<size_t>(counts[i]) * 8;
  }
}
