#pragma once
// The two concrete map objects: vector objects (points, polylines, polygons made of point
// chains, packed compactly in map files) and geo-referenced 256-colour bitmaps.
#include <memory>
#include <span>
#include <string>

#include "map/earthobject.h"

class TGeoDataObject : public TEarthObject {
 public:
  explicit TGeoDataObject(TEarthObjectSource* source);
  ~TGeoDataObject() override;

  void Assign(const rtl::TPersistent* source) override;
  std::string PrintableClassName() const override { return "TGeoDataObject"; }
  int64_t ObjectInstanceSize() const override;
  TPointLL GetCentroid() override;
  // Moves every point by the centroid's move.
  void SetCentroid(const TPointLL& p) override;
  TMER GetObjectMER() override;
  void RedrawObject() override;
  void Render(TCustomEarthMap* globe, TEarthObjectStateSet state) override;
  bool LLInObject(const TPointLL& point, int32_t tolerance) override;
  // Raises EEarthException for more chains than the file's 16-bit count holds.
  void WriteProperties(TEarthStreamWriter& writer) override;
  // Raises EEarthException on counts the bytes left cannot hold.
  void ReadProperties(TEarthStreamReader& reader) override;

  TChainStore& Chains() { return chains_; }

  // An object with room after it for chains of counts (raises on a negative count), which
  // Chains().FillLL with those counts then takes: a reader's object in one allocation.
  static std::unique_ptr<TGeoDataObject> WithRoom(TEarthObjectSource* source,
                                                  std::span<const int32_t> counts);
  // Objects made with room are one allocation of more than the class's size.
  static void* operator new(size_t size) { return ::operator new(size); }
  static void operator delete(void* p) { ::operator delete(p); }

 protected:
  TEarthObject* NewInstance(TEarthObjectSource* source) const override;

 private:
  TChainStore chains_;
};

// The flags word a chain is written with (height, 16-bit, compressed, long count); drops repeated
// points from index 2 on.
TEarthObjectFlagsSet ChainStreamFlags(TPointStore& chain);
void WritePoints(TEarthStreamWriter& writer, TPointStore& chain, TEarthObjectFlagsSet flags);
void ReadPoints(TEarthStreamReader& reader, TPointStore& chain, TEarthObjectFlagsSet flags);

class TBitmapObject : public TEarthObject {
 public:
  explicit TBitmapObject(TEarthObjectSource* source);
  ~TBitmapObject() override;

  void Assign(const rtl::TPersistent* source) override;
  std::string PrintableClassName() const override { return "TBitmapObject"; }
  TMER GetObjectMER() override;
  void Render(TCustomEarthMap* globe, TEarthObjectStateSet state) override;
  bool LLInObject(const TPointLL& point, int32_t tolerance) override {
    return LLInObjectMER(point, tolerance) != 0;
  }
  void WriteProperties(TEarthStreamWriter& writer) override;
  void ReadProperties(TEarthStreamReader& reader) override;

  // Resolved through the map control and loaded (256-colour bitmaps only).
  void SetBMPfilename(const std::string& name);
  const std::string& BMPFilename() const { return bmpFilename_; }
  // axis 0: both, 1: X, 2: Y.
  void SetGUPerPixel(int axis, int32_t value);
  void SetTransparentColor(uint32_t colour);
  uint32_t GetTransparentColor() const;
  TTextureData& TextureData() { return *texture_; }

  int32_t EarthUnitsPerXPixel = GU_MINUTE;
  int32_t EarthUnitsPerYPixel = GU_MINUTE;
  int32_t TransparentIndex = -1;

 protected:
  TEarthObject* NewInstance(TEarthObjectSource* source) const override;

 private:
  std::unique_ptr<TTextureData> texture_;
  std::string bmpFilename_;
};

void RegisterEarthObjects();
