#pragma once
// The three projection models: an orthographic globe, a flat longitude/latitude plane and
// Mercator. Each is registered in the class registry under its class name.
#include "map/earthprojection.h"

// What every model shares: visibility of rectangles, chains, the plain surface and the
// graticule.
class TProjectionModel : public TCustomProjectionModel {
 public:
  explicit TProjectionModel(TEarthProjection* projection);

  int32_t PointStoreToXY(TPointStore& points, int32_t first, bool ontoHorizon) override;
  bool LLToXY(int32_t longitude, int32_t latitude, int32_t index) override;
  // (left, top, right, bottom) in the four fields of the record.
  TMER ExtentsLL() const override;
  bool XYListVisible(int32_t count, int32_t& code) override;
  bool VisibleMER(const TMER& mer, TEarthObjectStateSet& state) override;
  void PaintSurface() override;
  void PaintGraticule() override;

 protected:
  bool RectangleVisible(int64_t west, int64_t south, int64_t east, int64_t north,
                        TEarthObjectStateSet& state);
};

// Orthographic view of the globe: the view centre (latitude XRotation, longitude YRotation)
// faces the viewer, north up, east right.
class TSphericalPrj : public TProjectionModel {
 public:
  explicit TSphericalPrj(TEarthProjection* projection);

  int32_t PointStoreToXY(TPointStore& points, int32_t first, bool ontoHorizon) override;
  // Cut where the line goes behind the horizon and where it comes back, at the point of the
  // horizon on its way.
  void OpenChainToXY(TPointStore& points, const std::function<void(int32_t)>& piece) override;
  bool PointLLToXY(const TPointLL& p, int32_t index) override;
  bool XYToLL(int32_t x, int32_t y, int32_t index) override;
  TMER ExtentsLL() const override;
  void PropertyChanged(TProjectionProperty property) override;
  void PaintSurface() override;
  std::unique_ptr<TCustomProjectionModel> Clone(TEarthProjection* projection) const override;
  void Assign(const rtl::TPersistent* source) override;

  const TMatrix& Forward() const { return forward_; }
  Extended Radius() const { return radius_; }

 private:
  void TextureFace(const TV3D& a, const TV3D& b, const TV3D& c, int depth, int seamSide);
  // A closed ring cut at the horizon (earthprojmodels_horizon.cpp).
  int32_t RingToXY(TPointStore& points, int32_t first);
  // The position at the middle of the side being drawn (drawn) or of the other side.
  TPointLL SideCentre(bool drawn) const;

  TMatrix forward_{};
  TMatrix inverse_{};
  Extended radius_ = 0;
  Extended radius2_ = 0;
};

// The plane of longitude and latitude; rotating pans it.
class TCartesianPrj : public TProjectionModel {
 public:
  explicit TCartesianPrj(TEarthProjection* projection);

  bool PointLLToXY(const TPointLL& p, int32_t index) override;
  bool XYToLL(int32_t x, int32_t y, int32_t index) override;
  void PropertyChanged(TProjectionProperty property) override;
  void PaintSurface() override;
  std::unique_ptr<TCustomProjectionModel> Clone(TEarthProjection* projection) const override;
  void Assign(const rtl::TPersistent* source) override;

 protected:
  // Device x of a longitude, and longitude of a device x (wrapped); false on overflow.
  int32_t DeviceX(int32_t longitude) const;
  bool LongitudeOf(int32_t x, int32_t& longitude) const;
  bool InExtents(int64_t longitude, int64_t latitude) const;

 private:
  Extended lastX_ = 0;
  Extended lastY_ = 0;
  mutable Extended cmDegrees_ = 0;
  mutable int32_t cmUnits_ = 0;
};

class TMercatorPrj : public TCartesianPrj {
 public:
  explicit TMercatorPrj(TEarthProjection* projection) : TCartesianPrj(projection) {}

  bool PointLLToXY(const TPointLL& p, int32_t index) override;
  bool XYToLL(int32_t x, int32_t y, int32_t index) override;
  Extended NorthStretch(Extended latitude) const override;
  std::unique_ptr<TCustomProjectionModel> Clone(TEarthProjection* projection) const override;
};

// Device coordinates are held within +-2^27, far beyond any window but safe to draw.
inline constexpr int64_t DeviceCoordLimit = int64_t{1} << 27;
int32_t DeviceCoord(int64_t origin, Extended offset);
