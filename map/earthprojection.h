#pragma once
// The projection object: scale, origin, rotations and limits of the map view, and the
// projection model it owns that turns positions into device points and back.
#include <functional>
#include <memory>
#include <string>

#include "map/earthstream.h"
#include "map/earthpoints.h"
#include "map/earthsysutils_spheroid.h"

class TCustomEarthMap;
class TEarthProjection;
class TChainStore;

enum TProjectionProperty {
  ppXRotation,
  ppYRotation,
  ppZRotation,
  ppScaleFactor,
  ppXOrigin,
  ppYOrigin,
  ppCentralMeridian,
  ppCentralParallel,
  ppFirstParallel,
  ppSecondParallel,
  ppSpheroid,
  ppXAxisChanges,
  ppYAxisChanges,
  ppMaxLatitude,
  ppMinLatitude,
  ppMaxLongitude,
  ppMinLongitude,
  ppMaxZoom,
  ppMinZoom
};
inline constexpr int ProjectionPropertyCount = 19;

enum TProjectionFlags { pfContinuous, pfTextureMap };
using TProjectionFlagsSet = TSet16<TProjectionFlags>;
enum TXAxisChanges : uint8_t { xaYOrigin, xaCentralParallel, xaNoAction };
enum TYAxisChanges : uint8_t { yaXOrigin, yaCentralMeridian, yaNoAction };

// The largest scale (device pixels per globe unit) a view may have.
inline constexpr Extended MaxScaleFactor = 3.0L;

// Turns positions into device points (written into gaPoints by index) and back, decides what is
// visible and paints the surface and the graticule.
class TCustomProjectionModel : public TEarthRoot {
 public:
  explicit TCustomProjectionModel(TEarthProjection* projection) : projection_(projection) {}

  // Converts a chain into gaPoints from index first; returns the next free index. Points not
  // seen are left out, or with ontoHorizon (closed rings) the globe replaces each run of them by
  // the stretch of outline it goes round.
  virtual int32_t PointStoreToXY(TPointStore& points, int32_t first, bool ontoHorizon) = 0;
  // An open chain as the pieces of it that are seen, one after the other in gaPoints from index
  // 0, each handed to piece with its count before the next is made. A piece that meets the edge
  // of what is seen (the globe's horizon) ends on it.
  virtual void OpenChainToXY(TPointStore& points, const std::function<void(int32_t)>& piece) {
    piece(PointStoreToXY(points, 0, false));
  }
  virtual bool LLToXY(int32_t longitude, int32_t latitude, int32_t index) = 0;
  virtual bool PointLLToXY(const TPointLL& p, int32_t index) = 0;
  // Writes the position (longitude, latitude) into gaPoints[index] when (x, y) is on the map.
  virtual bool XYToLL(int32_t x, int32_t y, int32_t index) = 0;
  virtual TMER ExtentsLL() const = 0;
  virtual bool XYListVisible(int32_t count, int32_t& code) = 0;
  virtual bool VisibleMER(const TMER& mer, TEarthObjectStateSet& state) = 0;
  virtual void PropertyChanged(TProjectionProperty property) = 0;
  virtual void PaintSurface() = 0;
  virtual void PaintGraticule() = 0;
  // How many times the scale a short step north at the latitude (degrees) is drawn: 1 unless the
  // model stretches the map there.
  virtual Extended NorthStretch(Extended latitude) const {
    (void)latitude;
    return 1;
  }
  // A model of the same class for projection, assigned from this one.
  virtual std::unique_ptr<TCustomProjectionModel> Clone(TEarthProjection* projection) const = 0;

  // The model's XML element: only its class name.
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() const;

  TEarthProjection* Projection() const { return projection_; }

 private:
  TEarthProjection* projection_;
};

class TEarthProjection : public TEarthENVPersistent {
 public:
  explicit TEarthProjection(TCustomEarthMap* globe);
  ~TEarthProjection() override;
  TEarthProjection(const TEarthProjection&) = delete;
  TEarthProjection& operator=(const TEarthProjection&) = delete;

  virtual void SetIntegerProp(TProjectionProperty property, int32_t v);
  virtual void SetFloatProp(TProjectionProperty property, Extended v);
  virtual void SetProjectionModel(std::unique_ptr<TCustomProjectionModel> model);
  virtual void SetUseMinMaxLimits(bool b);
  virtual void SetXAxisChanges(TXAxisChanges v);
  virtual void SetYAxisChanges(TYAxisChanges v);
  virtual void SetScaleFactor(Extended sf);
  virtual void SetAltitude(int32_t a);
  virtual std::unique_ptr<TEarthProjection> Clone() const;

  void Assign(const rtl::TPersistent* source) override;
  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;

  std::string GetProjectionClass() const;
  void SetProjectionClass(const std::string& name);
  void SetSpheroid(TSpheroid s);
  void SetEarthCenterXY(const TEarthDevicePoint& p);
  TEarthDevicePoint GetEarthCenterXY() const { return {xOrigin_, yOrigin_}; }
  void SetCenterLat(Extended lat);
  void SetCenterLong(Extended lon);
  // Puts the position (degrees) in the middle of the window as SetCenterLong and SetCenterLat do,
  // unless the picture would move by less than half a pixel from where it was last centred so:
  // then the view stays as drawn and the position is kept as the centre asked for, so that
  // moves adding up to half a pixel or more move the view. Any other change of the view makes
  // the next call centre the view whatever the distance.
  void LocateCenter(Extended longitude, Extended latitude);
  // The position last asked for through LocateCenter (degrees; 0, 0 before any).
  Extended AskedCenterLongitude() const { return askedLong_; }
  Extended AskedCenterLatitude() const { return askedLat_; }
  Extended GetCenterLat();
  Extended GetCenterLong();
  bool DeviceXYToLL(int32_t x, int32_t y, TPointLL& point);
  bool LLToDeviceXY(int32_t longitude, int32_t latitude, TEarthDevicePoint& point);
  bool PointLLToXY(const TPointLL& p, TEarthDevicePoint& point);
  TMER ExtentsLL() const { return model_->ExtentsLL(); }
  int32_t GetUnitsPerInch() const;
  void SetUnitsPerInch(int32_t u);

  TCustomProjectionModel* Model() const { return model_.get(); }
  TCustomEarthMap* Globe() const { return globe_; }

  // The view: origin in device pixels, rotations in degrees, pixels per globe unit and the
  // camera altitude. The setters keep the model's matrix and origin in step with them.
  int32_t XOrigin() const { return xOrigin_; }
  int32_t YOrigin() const { return yOrigin_; }
  int32_t Altitude() const { return altitude_; }
  Extended XRotation() const { return xRotation_; }
  Extended YRotation() const { return yRotation_; }
  Extended ZRotation() const { return zRotation_; }
  Extended ScaleFactor() const { return scaleFactor_; }
  // The central meridian in globe units, within 180 degrees either way.
  int32_t CentralMeridianUnits() const;
  // True while the map control draws the far side of a transparent globe.
  bool BackFacePass() const { return backFacePass_; }
  void SetBackFacePass(bool b) { backFacePass_ = b; }

  // Read-only views of the fields; the setters above change them.
  Extended MaxLatitude = 90;
  Extended MinLatitude = -90;
  Extended MaxLongitude = 180;
  Extended MinLongitude = -180;
  Extended MaxZoom = 0;
  Extended MinZoom = 0;
  Extended CentralMeridian = 0;
  Extended CentralParallel = 0;
  Extended FirstParallel = 0;
  Extended SecondParallel = 0;
  TSpheroid Spheroid = TSpheroid::WGS84;
  TXAxisChanges XAxisChanges = xaYOrigin;
  TYAxisChanges YAxisChanges = yaCentralMeridian;
  TProjectionFlagsSet Flags;
  bool UseMinMaxLimits = false;
  // Line-division counts of the graticule (meridians, parallels); set by the model.
  int32_t LineDivisions1 = 72;
  int32_t LineDivisions2 = 144;

 private:
  // The globe keeps its rotations within their ranges as they change.
  friend class TSphericalPrj;
  // Only the canvas resizes the projection, as it sizes its drawing surface.
  friend class TEarthCanvas;

  // Changes the scale and origin for a canvas of the new size; false (nothing changed) unless
  // both are positive.
  bool ResizeProjection(int32_t width, int32_t height);
  // An origin held where the window (size pixels along the axis) still looks at the world: its
  // middle at most one full turn, the widest plane a model draws, from the projection centre at
  // the given scale. An origin read from a file or left by a run of zooms and pans then never
  // leaves the view blank for good, nor takes the arithmetic on it past 32 bits.
  static int32_t HeldOrigin(Extended v, int32_t size, Extended scale);

  int32_t xOrigin_ = 0;
  int32_t yOrigin_ = 0;
  int32_t altitude_ = 0;
  Extended xRotation_ = 23.5L;
  Extended yRotation_ = 0;
  Extended zRotation_ = 0;
  Extended scaleFactor_ = 0;
  bool backFacePass_ = false;
  // The centre asked for last, the one the view was centred on, and whether the view still
  // shows that one (no other change came since).
  Extended askedLong_ = 0;
  Extended askedLat_ = 0;
  Extended drawnLong_ = 0;
  Extended drawnLat_ = 0;
  bool centred_ = false;

  Extended* FloatField(TProjectionProperty property);
  // The map control's client area in pixels.
  int32_t ClientWidth() const;
  int32_t ClientHeight() const;
  int32_t CanvasWidth() const;
  int32_t CanvasHeight() const;
  void Changed();  // scroll bars and redraw

  TCustomEarthMap* globe_;
  std::unique_ptr<TCustomProjectionModel> model_;
};

// Makes sure the three projection models are in the class registry.
void RegisterProjectionModels();
