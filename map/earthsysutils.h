#pragma once
// Globe units, positions, rectangles and the numeric helpers every part of the map engine uses;
// point and chain stores; 3-D vectors, quaternions, texture bitmaps and the engine's class
// registry.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/classregistry.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/streams.h"

using rtl::Extended;

// The engine's exception class (message text only).
class EEarthException : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

// ---- Globe units --------------------------------------------------------------------------------

inline constexpr int32_t GU_DEGREE = 5'400'000;
inline constexpr int32_t GU_MINUTE = 90'000;
inline constexpr int32_t GU_SECOND = 1'500;
inline constexpr int32_t GU_90DEGREE = 486'000'000;
inline constexpr int32_t GU_180DEGREE = 972'000'000;
inline constexpr int32_t GU_360DEGREE = 1'944'000'000;

inline constexpr Extended GU_TORADIANS = 3.2320912073969064e-09L;
inline constexpr Extended GU_FROMRADIANS = 309397209.3706445L;
inline constexpr Extended GU_TODECIMALDEGREES = 1.8518518518518518e-07L;
// Radius of the globe for 3-D points; deliberately not GU_FROMRADIANS.
inline constexpr Extended EARTHRADIUS = 309397230.0L;

struct TPointLL {
  int32_t iLongX = 0;
  int32_t iLatY = 0;
  int32_t iHeightZ = 0;
  friend bool operator==(const TPointLL&, const TPointLL&) = default;
};

struct TMER {
  int32_t iLongX = 0;  // south-west corner
  int32_t iLatY = 0;
  int32_t iWidthX = 0;  // extent east and north
  int32_t iHeightY = 0;
  friend bool operator==(const TMER&, const TMER&) = default;
};

struct TPointDD {
  Extended LongX = 0;
  Extended LatY = 0;
  Extended HeightZ = 0;
};

// Device point and rectangle, as the drawing code passes them.
struct TEarthDevicePoint {
  int32_t X = 0;
  int32_t Y = 0;
};
struct TEarthDeviceRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  friend bool operator==(const TEarthDeviceRect&, const TEarthDeviceRect&) = default;
};

// The order is stored and streamed.
enum class TEarthUnitTypes : uint8_t {
  Degree,
  Minute,
  NauticalMile,
  Kilometer,
  Mile,
  Second,
  Third,
  Hundreth,
  Thousanth,
  Meter,
  CentiMeter,
  Fathom,
  Yard,
  Foot,
  Inch,
  EarthUnit,
  Pixel
};
inline constexpr int EarthUnitTypesCount = 17;

enum TProgressMessage { pmMessage, pmStart, pmEnd, pmPercent, pmError };

enum TEarthObjectState : uint16_t {
  osNew,
  osClosed,
  osHidden,
  osDiscardable,
  osBackFace,
  osFace,
  osSelected,
  osValidMER,
  osRedraw,
  osDeleted,
  osClipLeft,
  osClipTop,
  osClipRight,
  osClipBottom,
  osTiny,
  osVisible
};

// A 16-bit set over an enumeration of at most 16 values; bit n is value n.
template <typename E>
class TSet16 {
 public:
  constexpr TSet16() = default;
  constexpr TSet16(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }
  static constexpr TSet16 FromWord(uint16_t w) {
    TSet16 s;
    s.bits_ = w;
    return s;
  }
  constexpr uint16_t Word() const { return bits_; }
  constexpr bool Contains(E e) const { return (bits_ >> static_cast<unsigned>(e)) & 1u; }
  constexpr void Include(E e) { bits_ = static_cast<uint16_t>(bits_ | Bit(e)); }
  constexpr void Exclude(E e) { bits_ = static_cast<uint16_t>(bits_ & ~Bit(e)); }
  constexpr void Set(E e, bool on) { on ? Include(e) : Exclude(e); }
  constexpr bool Empty() const { return bits_ == 0; }
  friend constexpr bool operator==(TSet16, TSet16) = default;

 private:
  static constexpr uint16_t Bit(E e) {
    return static_cast<uint16_t>(1u << static_cast<unsigned>(e));
  }
  uint16_t bits_ = 0;
};
using TEarthObjectStateSet = TSet16<TEarthObjectState>;

// ---- Records and wrapping ----------------------------------------------------------------------

int32_t Mod180(int32_t v);
Extended Mod180Float(Extended deg);
Extended SphericalMod(Extended rad);
int32_t LongDiff(int32_t a, int32_t b);
bool Cross180(int32_t longitude);
void ResetCross180();  // back to the start state (quadrant 0)
// The longitude step from a to b as every chain is taken, drawn and measured: across the 180th
// meridian when the two lie at or beyond 90 degrees on opposite sides (the step Cross180 tells),
// else straight between them, so that a step of more than 180 degrees with an end between 90 W
// and 90 E runs through the prime meridian.
int64_t LongStep(int32_t a, int32_t b);

TPointLL PointLL(int32_t longitude, int32_t latitude);
TPointLL PointLLH(int32_t longitude, int32_t latitude, int32_t height);
TPointDD PointDD(Extended longitude, Extended latitude);
TPointDD PointDDH(Extended longitude, Extended latitude, Extended height);
TMER MER(int32_t longitude, int32_t latitude, int32_t width, int32_t height);

bool PointLLinMER(const TPointLL& pt, const TMER& mer);
bool MERinMER(const TMER& inner, const TMER& outer);
bool IsEmptyMER(const TMER& mer);
TMER UnionMER(const TMER& a, const TMER& b);
TMER PointsToMER(const TPointLL* points, int high);
TEarthDeviceRect PointsToRect(const TEarthDevicePoint* points, int high);
bool PointOnLine(Extended x, Extended y, Extended x1, Extended y1, Extended x2, Extended y2,
                 Extended tolerance);

// ---- Units and text -----------------------------------------------------------------------------

Extended EarthUnitsFactor(TEarthUnitTypes unit);
Extended EarthUnitsTo(Extended v, TEarthUnitTypes unit);
int32_t EarthUnitsFrom(Extended x, TEarthUnitTypes unit);
TEarthUnitTypes StrToUnits(std::string_view text);
std::string UnitsToStr(TEarthUnitTypes unit);
Extended EarthUnitsToDecimal(int32_t v);
int32_t DecimalToEarthUnits(Extended deg);
// The same value for the readers' millions of coordinates: one product rounded half to even,
// in double (gives what the degree, minute and second steps give, at a tenth of the cost).
// Inline, as the readers convert their points in tight loops.
// For |deg| <= 360, checked beforehand: no test for NaN or overflow, so that loops vectorise.
inline int32_t DecimalToEarthUnitsInRange(double deg) {
  // Adding and taking away 1.5 * 2^52 leaves x rounded to a whole number, ties to even, as
  // nearbyint does in the default rounding mode, without a library call.
  constexpr double kRound = 6755399441055744.0;
  return static_cast<int32_t>((deg * static_cast<double>(GU_DEGREE) + kRound) - kRound);
}
inline int32_t DecimalToEarthUnitsFast(double deg) {
  const double x = deg * static_cast<double>(GU_DEGREE);
  if (x != x) return 0;  // NaN
  if (x >= 2147483647.0) return 2147483647;
  if (x <= -2147483648.0) return -2147483647 - 1;
  return DecimalToEarthUnitsInRange(deg);
}
TPointLL DecimalToPointLL(Extended longitude, Extended latitude);
Extended AngleToRadians(Extended v);
int32_t RadiansToAngle(Extended r);
std::string EarthUnitsToStr(int32_t v, std::string_view format);
int32_t StrToEarthUnits(std::string_view text, std::string_view format);
std::string LLAsString(int32_t longitude, int32_t latitude);
Extended StrToExtended(const std::string& text);
Extended StrToExtendedDef(const std::string& text, Extended def);
std::string sIFE(bool cond, const std::string& a, const std::string& b);
bool DirectoryExists(const std::string& path);

// a * b / c for values whose product needs more than 64 bits of room, rounded half away from
// zero (the engine's rule for wide integer products); c must not be 0.
int64_t EarthMulDiv(int64_t a, int64_t b, int64_t c);

// Little-endian values in a byte buffer, as the engine's files store them.
inline uint16_t GetLE16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A value rounded into the 32-bit range: out-of-range values saturate, NaN gives 0.
int32_t SaturateToInt32(Extended v);

// ---- Numeric helpers ----------------------------------------------------------------------------

inline int32_t MinVal(int32_t a, int32_t b) {
  return a < b ? a : b;
}
inline int32_t MaxVal(int32_t a, int32_t b) {
  return a > b ? a : b;
}
inline Extended MinFloat(Extended a, Extended b) {
  return a < b ? a : b;
}
inline Extended MaxFloat(Extended a, Extended b) {
  return a > b ? a : b;
}
Extended LimitFloat(Extended v, Extended min, Extended max);
Extended Sign(Extended x);
Extended Tan(Extended x);
void SinCos(Extended x, Extended& s, Extended& c);
Extended Hypot(Extended x, Extended y);
Extended ArcTan2(Extended y, Extended x);
Extended ArcSin(Extended x);
Extended ArcCos(Extended x);
Extended IntPower(Extended base, int n);
Extended Power(Extended base, Extended exponent);

// ---- Persistent root ----------------------------------------------------------------------------

// Root of the engine's persistent classes.
class TEarthRoot : public rtl::TPersistent {
 public:
  // A readable class name for the user; descendants may give a nicer one.
  virtual std::string PrintableClassName() const { return ClassName(); }
};

// ---- Dynamic arrays -----------------------------------------------------------------------------

// A counted block of equal-sized elements with a count of extra holders. Handled through
// TDynArray, which releases its holder's share when it goes out of scope.
struct TDynArrayRecord {
  int32_t Count = 0;
  int32_t ElemSize = 0;
  int32_t RefCount = 0;
  // Made to hold object references: only such arrays are searched for an object, since an
  // element of two 32-bit values is as wide as a reference here.
  bool Objects = false;
  std::vector<std::byte> Elements;
};

class TDynArray {
 public:
  TDynArray() = default;
  explicit TDynArray(TDynArrayRecord* record) : record_(record) {}
  TDynArray(TDynArray&& other) noexcept : record_(other.release()) {}
  TDynArray& operator=(TDynArray&& other) noexcept;
  TDynArray(const TDynArray&) = delete;
  TDynArray& operator=(const TDynArray&) = delete;
  ~TDynArray();

  TDynArrayRecord* get() const { return record_; }
  TDynArrayRecord* operator->() const { return record_; }
  explicit operator bool() const { return record_ != nullptr; }
  TDynArrayRecord* release() {
    TDynArrayRecord* r = record_;
    record_ = nullptr;
    return r;
  }

 private:
  TDynArrayRecord* record_ = nullptr;
};

// Size of an element that holds an object reference.
inline constexpr int32_t DynArrayObjectSize = static_cast<int32_t>(sizeof(void*));

TDynArray DynArrayCreate(int32_t elemSize, int32_t count);
// An array of count object references, all nil.
TDynArray DynArrayCreateObjects(int32_t count);
int32_t DynArrayCount(const TDynArray& a);
void* DynArrayPtr(const TDynArray& a, int32_t i);  // nullptr when i is out of range
void* DynArrayAsObject(const TDynArray& a, int32_t i);
int32_t DynArrayAsInteger(const TDynArray& a, int32_t i);
void DynArraySetAsObject(const TDynArray& a, int32_t i, void* obj);
void DynArraySetAsInteger(const TDynArray& a, int32_t i, int32_t v);
void DynArrayIncReference(const TDynArray& a);
void DynArrayDecReference(const TDynArray& a);
// -1 when absent or when a is not an array of object references.
int32_t DynArrayIndexOfObject(const TDynArray& a, const void* obj);
void DynArraySetLength(TDynArray& a, int32_t n);
void DynArrayInsert(TDynArray& a, int32_t i);
void DynArrayDelete(TDynArray& a, int32_t i);
void DynArrayMove(TDynArray& a, int32_t from, int32_t to);
TDynArray DynArrayClone(const TDynArray& a);
void DynArrayFree(TDynArray& a);

// ---- Point and chain stores ---------------------------------------------------------------------

enum TPointStoreFlags { psLongCount, ps16Bit, psCompressed, psHeight };
using TPointStoreFlagsSet = TSet16<TPointStoreFlags>;
enum TPointStoreType { ptLL, ptLLH };

// A 3-D point in globe units, globe-centred.
struct TPoint3D {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Z = 0;
  friend bool operator==(const TPoint3D&, const TPoint3D&) = default;
};

class TPointStore : public TEarthRoot {
 public:
  TPointStore() = default;
  explicit TPointStore(bool height);

  int32_t GetCount() const;
  void SetCount(int32_t n);
  TPointLL GetLL(int32_t i) const;
  void PutLL(int32_t i, const TPointLL& pt);
  int32_t Add(const TPointLL& pt);
  void Insert(int32_t i, const TPointLL& pt);
  void Delete(int32_t i);
  TPointDD GetDD(int32_t i) const;
  void PutDD(int32_t i, const TPointDD& dd);
  TPoint3D Get3D(int32_t i) const;
  bool GetHeightFlag() const { return Flags.Contains(psHeight); }
  void SetHeightFlag(bool b);
  void Refresh();
  void Translate(int32_t dLong, int32_t dLat, int32_t dHeight);
  TPointLL Centroid() const;
  TMER PointStoreMER() const;
  bool PointInPolygon(int32_t longitude, int32_t latitude) const;
  bool PointOnPolyline(int32_t longitude, int32_t latitude, int32_t tolerance) const;
  // Globe-centred points; with keep the array is also the store's cache and shared with it.
  // Points added at the end extend that cache; any other change drops it.
  TDynArray Point3DArray(bool keep);
  // What was worked out from the points for drawing them, dropped whenever they change: what a
  // projection last made of them, with the view it was made for (the projection fills the key
  // and compares it), as pieces of device points one after the other; whether they cross a
  // meridian; the MER of a long chain.
  struct TDrawn {
    std::vector<Extended> view;
    std::vector<TEarthDevicePoint> points;
    std::vector<int32_t> pieces;  // the point count of each piece
    // Whether the points, open or closed, cross the meridian opposite `centre`: -1 while not
    // worked out.
    int32_t centre = 0;
    bool closed = false;
    int8_t crosses = -1;
    std::optional<TMER> mer;
  };
  TDrawn& Drawn() const;
  std::unique_ptr<TPointStore> Clone() const;
  int64_t ObjectInstanceSize() const;

  // Replaces the points of a store without height with n points, whose longitude and latitude
  // pairs fill(out) writes to out[0 .. 2n): a reader's points in one go.
  template <typename Fill>
  void FillLL(int32_t n, Fill&& fill) {
    fill(ResizeLL(n));
  }

  TPointStoreFlagsSet Flags;

 private:
  friend class TChainStore;
  int32_t* ResizeLL(int32_t n);
  void CheckIndex(int32_t i, int32_t high) const;
  int32_t ElemSize() const { return GetHeightFlag() ? 12 : 8; }
  std::byte* Point(int32_t i) const { return data_ + static_cast<size_t>(i) * width_; }
  // Room for n points, those there kept; grows by halves so that adding one by one is cheap.
  void Reserve(int32_t n);
  // The points changed: what was worked out from them for drawing goes.
  void Changed();
  TMER WorkOutMER() const;

  // count_ points of width_ bytes (the element size when they were made) at data_, which own_
  // holds, or which lie in the block a chain store made for all its chains at once (own_ empty,
  // capacity_ the count they were made with).
  std::byte* data_ = nullptr;
  int32_t count_ = 0;
  int32_t capacity_ = 0;
  int32_t width_ = 0;
  std::unique_ptr<std::byte[]> own_;
  TDynArray cache3D_;
  mutable std::unique_ptr<TDrawn> drawn_;
};

class TChainStore : public TEarthRoot {
 public:
  TChainStore() = default;
  TChainStore(const TChainStore&) = delete;
  TChainStore& operator=(const TChainStore&) = delete;

  int32_t GetCount() const { return static_cast<int32_t>(chains_.size()); }
  void SetCount(int32_t n);
  // Never nil: a missing chain is created, growing the store when needed.
  TPointStore* GetChain(int32_t i);
  void SetChain(int32_t i, std::unique_ptr<TPointStore> store);
  int32_t Add(std::unique_ptr<TPointStore> store);
  void Insert(int32_t i, std::unique_ptr<TPointStore> store);
  void Delete(int32_t i);
  void Move(int32_t from, int32_t to);
  bool GetStoreHeight() const { return storeHeight_; }
  void SetStoreHeight(bool b);
  // A deep copy: the clone owns copies of the chains.
  std::unique_ptr<TChainStore> Clone() const;
  TPointLL Centroid() const;
  TMER ChainStoreMER() const;
  // The chains' sizes; a slot left empty counts as the empty chain reading it would make.
  int64_t ObjectInstanceSize() const;

  // Replaces the chains with counts.size() chains of points without height, made together in one
  // block; fill(i, out) writes chain i's counts[i] longitude and latitude pairs to out[0 ..
  // 2 counts[i]): a reader's object in one allocation rather than three for each chain.
  template <typename Fill>
  void FillLL(std::span<const int32_t> counts, Fill&& fill) {
    MakeBlock(counts);
    for (size_t i = 0; i < counts.size(); ++i) {
      fill(static_cast<int32_t>(i), reinterpret_cast<int32_t*>(chains_[i]->data_));
    }
  }

 private:
  friend class TGeoDataObject;
  // The bytes a block for chains of counts takes (raises on a negative count).
  static size_t BlockSize(std::span<const int32_t> counts);
  // Room the owner keeps for a block (its own allocation's tail), used while it suffices.
  void SetRoom(std::byte* room, size_t size) {
    room_ = room;
    roomSize_ = size;
  }
  void CheckIndex(int32_t i, int32_t high) const;
  void MakeBlock(std::span<const int32_t> counts);

  // A store made in the block is only destroyed there; any other is deleted.
  struct ChainDeleter {
    bool inBlock = false;
    void operator()(TPointStore* store) const;
  };
  using Chain = std::unique_ptr<TPointStore, ChainDeleter>;

  // The table of chains lies at the start of the block when the block made it: a reader's object
  // is then one allocation, and no small table is left on the heap's free lists when it goes. A
  // table that outgrows its room is moved to the heap as usual.
  template <typename T>
  struct TableAllocator {
    using value_type = T;
    using propagate_on_container_move_assignment = std::true_type;
    using is_always_equal = std::false_type;
    T* room = nullptr;
    size_t roomCount = 0;
    TableAllocator() = default;
    TableAllocator(T* r, size_t n) : room(r), roomCount(n) {}
    template <typename U>
    explicit TableAllocator(const TableAllocator<U>&) {}
    T* allocate(size_t n) {
      if (room && n <= roomCount) {
        roomCount = 0;  // handed out once
        return room;
      }
      return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, size_t n) {
      if (p != room) std::allocator<T>().deallocate(p, n);
    }
    friend bool operator==(const TableAllocator& a, const TableAllocator& b) {
      return a.room == b.room;
    }
  };
  using ChainTable = std::vector<Chain, TableAllocator<Chain>>;

  // Declared before the chains, so that it goes after them.
  std::unique_ptr<std::byte[]> block_;
  std::byte* room_ = nullptr;
  size_t roomSize_ = 0;
  ChainTable chains_;
  bool storeHeight_ = false;
};

// ---- Vectors, quaternions and matrices ----------------------------------------------------------

struct TV3D {
  Extended X = 0;
  Extended Y = 0;
  Extended Z = 0;
};

struct TQuaternion {
  Extended X = 0;
  Extended Y = 0;
  Extended Z = 0;
  Extended W = 1;
};

using TMatrix = std::array<Extended, 9>;  // row by row

TPoint3D Point3D(Extended longitude, Extended latitude, Extended height);
TV3D V3D(Extended x, Extended y, Extended z);
void V3DNormalize(TV3D& v);
TV3D PointLLToV3D(const TPointLL& p);
TPointLL V3DtoPointLL(const TV3D& v);
TV3D V3DAdd(const TV3D& a, const TV3D& b);
TV3D V3DSub(const TV3D& a, const TV3D& b);
TV3D V3DMul(const TV3D& a, const TV3D& b);
Extended V3DDot(const TV3D& a, const TV3D& b);
TV3D V3DCross(const TV3D& a, const TV3D& b);
TV3D V3DLerp(const TV3D& a, const TV3D& b, Extended t);
TV3D V3DMatrixMul(const TMatrix& m, const TV3D& v);
TPointLL PointLLMatrixMul(const TMatrix& m, const TPointLL& p);

TQuaternion Quat(Extended x, Extended y, Extended z, Extended w);
TQuaternion AxisAngleToQuat(const TV3D& axis, Extended angle);
void QuatToAxisAngle(const TQuaternion& q, TV3D& axis, Extended& angle);
TQuaternion QuatNormalize(const TQuaternion& q);
TQuaternion QuatMul(const TQuaternion& a, const TQuaternion& b);
Extended QuatDot(const TQuaternion& a, const TQuaternion& b);
TQuaternion EulerToQuat(Extended xRot, Extended yRot, Extended zRot);
TMatrix QuatToMatrix(const TQuaternion& q);
TQuaternion QuatSlerp(const TQuaternion& a, const TQuaternion& b, Extended t);
TQuaternion VectorsToQuat(const TV3D& a, const TV3D& b);
TMatrix ScaleMatrix(const TMatrix& m, Extended s);
void TransposeMatrix(const TMatrix& src, TMatrix& dst);

// ---- Texture bitmaps ----------------------------------------------------------------------------

#pragma pack(push, 1)
struct TEarthBitmapFileHeader {
  uint16_t bfType = 0;
  uint32_t bfSize = 0;
  uint16_t bfReserved1 = 0;
  uint16_t bfReserved2 = 0;
  uint32_t bfOffBits = 0;
};
struct TEarthBitmapInfoHeader {
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
#pragma pack(pop)
static_assert(sizeof(TEarthBitmapFileHeader) == 14 && sizeof(TEarthBitmapInfoHeader) == 40);

// Palette entry in file order.
struct TEarthRGBQuad {
  uint8_t Blue = 0;
  uint8_t Green = 0;
  uint8_t Red = 0;
  uint8_t Reserved = 0;
};

// A 256-colour bitmap with its longitude/latitude extent. Colours are 0x00BBGGRR.
class TTextureData : public TEarthRoot {
 public:
  TTextureData();

  void LoadFromStream(rtl::TStream& stream);
  void LoadFromFile(const std::string& fileName);
  bool IsValid() const;
  int32_t GetTextureHeight() const;
  // Bytes in one row, padded to 4.
  int32_t GetTextureWidth() const;
  // Width of the image in pixels.
  int32_t GetPixelWidth() const { return info_.biWidth; }
  TPointLL LLToTextureXY(const TPointLL& p) const;
  TPointLL TextureXYToLL(int32_t x, int32_t y) const;
  void MapPoint(int32_t longitude, int32_t latitude, int32_t x, int32_t y);
  int32_t ColorToIndex(uint32_t colour) const;
  uint32_t IndexToColor(int32_t index) const;
  // Palette index of the pixel at (column, row), rows counted from the bottom as stored; -1
  // outside the image.
  int32_t PixelIndex(int32_t column, int32_t row) const;
  // The pixel rows, bottom row first, GetTextureWidth bytes each; nullptr when not valid.
  const uint8_t* Pixels() const;
  // From another texture, or from a bitmap (a 256-colour one: others raise as LoadFromStream
  // does); anything else goes to the base class.
  void Assign(const rtl::TPersistent* source) override;

  TPointStore& Extent() { return extent_; }
  const TPointStore& Extent() const { return extent_; }
  const std::string& FileName() const { return fileName_; }
  const TEarthBitmapFileHeader& FileHeader() const { return fileHeader_; }
  const TEarthBitmapInfoHeader& InfoHeader() const { return info_; }
  const std::array<TEarthRGBQuad, 256>& Palette() const { return palette_; }

  // Palette index drawn as transparent; -1 for none.
  int32_t TransparentIndex = -1;

 private:
  void Clear();

  TPointStore extent_;
  TEarthBitmapFileHeader fileHeader_;
  TEarthBitmapInfoHeader info_;
  std::array<TEarthRGBQuad, 256> palette_{};
  std::unique_ptr<rtl::TMemoryStream> memory_;
  std::string fileName_;
  int64_t pixelOffset_ = 0;
  int64_t rowStride_ = 0;
};

// ---- Class registry -----------------------------------------------------------------------------

// Registers T with the class library under name (so that streams and settings can make it by
// name through its factory) and lists it among the engine's classes.
void RegisterEarthClass(rtl::TClass earthClass);
template <typename T, typename F>
rtl::TClass RegisterEarthClass(const std::string& name, F&& factory) {
  rtl::TClass c = rtl::RegisterClass<T>(name, std::forward<F>(factory));
  RegisterEarthClass(c);
  return c;
}
// Each of classes[0..high] in order.
void RegisterEarthClasses(const rtl::TClass* classes, int high);
// The engine's classes in the order they were registered.
const std::vector<rtl::TClass>& EarthClasses();
