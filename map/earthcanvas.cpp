// The globe canvas: back buffer, units, colour adjustment, clipping and chain drawing.
#include "map/earthcanvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "map/earthcustommap.h"

namespace {

constexpr TEarthObjectStateSet kClipAll{osClipLeft, osClipTop, osClipRight, osClipBottom};

// A bottom-up 24-bit DIB section of width x height; its pixel data into bits.
gdi::HBITMAP NewDib(int32_t width, int32_t height, uint8_t*& bits) {
  gdi::BITMAPINFO info;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = gdi::BI_RGB;
  void* data = nullptr;
  const gdi::HBITMAP b = gdi::CreateDIBSection({}, &info, gdi::DIB_RGB_COLORS, &data);
  bits = static_cast<uint8_t*>(data);
  return b;
}

}  // namespace

TEarthCanvas::TEarthCanvas(TCustomEarthMap* globe) : globe_(globe) {
  if (!globe_) throw EEarthException("TEarthCanvas.Create passed nil Parent");
  pen_ = std::make_unique<TEarthPen>();
  pen_->Define(gdi::TColor(0), psSolid, 1, TEarthUnitTypes::Pixel);
  brush_ = std::make_unique<TEarthBrush>();
  brush_->Define(gdi::TColor(0xFFFFFF), bsSolid);
  symbolFont_ = std::make_unique<TEarthFont>();
  symbolFont_->Define("WingDings", gdi::TColor(0), 9, TEarthUnitTypes::Pixel, 0, {});
  textFont_ = std::make_unique<TEarthFont>();
  textFont_->Define("Arial", gdi::TColor(0), 9, TEarthUnitTypes::Pixel, 0, {});
  const gdi::HDC screen = gdi::CreateCompatibleDC({});
  screenPPI_ = devicePPI_ = gdi::GetDeviceCaps(screen, gdi::LOGPIXELSY);
  gdi::DeleteDC(screen);
}

TEarthCanvas::~TEarthCanvas() {
  // Attributes still holding objects made for this canvas release them while its DC lives.
  const std::vector<TEarthAttribute*> attached = attached_;
  for (TEarthAttribute* a : attached) a->CanvasFreed(this);
  attached_.clear();
  if (memoryDC_) {
    gdi::SelectObject(memoryDC_, previousBitmap_);
    SetHandle({});
    gdi::DeleteDC(memoryDC_);
  }
  FreeBitmap();
}

void TEarthCanvas::AttachAttribute(TEarthAttribute* a) {
  if (std::find(attached_.begin(), attached_.end(), a) == attached_.end()) attached_.push_back(a);
}

void TEarthCanvas::DetachAttribute(TEarthAttribute* a) {
  std::erase(attached_, a);
}

void TEarthCanvas::Assign(const TEarthCanvas& other) {
  width_ = other.width_;
  height_ = other.height_;
  pen_->Assign(other.pen_.get());
  brush_->Assign(other.brush_.get());
  symbolFont_->Assign(other.symbolFont_.get());
  textFont_->Assign(other.textFont_.get());
  devicePPI_ = other.devicePPI_;
  SizeBMP(width_, height_, devicePPI_);
}

std::unique_ptr<TEarthCanvas> TEarthCanvas::Clone() const {
  auto c = std::make_unique<TEarthCanvas>(globe_);
  c->Assign(*this);
  return c;
}

TEarthProjection* TEarthCanvas::GetProjection() const {
  return globe_->Projection();
}

void TEarthCanvas::FreeBitmap() {
  if (!bitmap_) return;
  if (memoryDC_) gdi::SelectObject(memoryDC_, previousBitmap_);
  gdi::DeleteObject(bitmap_);
  if (front_) gdi::DeleteObject(front_);
  bitmap_ = front_ = {};
  bits_ = backBits_ = frontBits_ = nullptr;
  frontSelected_ = false;
  stride_ = 0;
}

bool TEarthCanvas::Resize(int32_t width, int32_t height) {
  TEarthProjection* projection = GetProjection();
  if (projection ? !projection->ResizeProjection(width, height) : (width <= 0 || height <= 0))
    return false;
  width_ = width;
  height_ = height;
  return true;
}

bool TEarthCanvas::SizeDC(int32_t width, int32_t height, int32_t devicePixelsPerInch) {
  if (!Resize(width, height)) return false;
  devicePPI_ = devicePixelsPerInch;
  FreeBitmap();
  return true;
}

bool TEarthCanvas::SizeBMP(int32_t width, int32_t height, int32_t devicePixelsPerInch) {
  if (!Resize(width, height)) return false;
  devicePPI_ = devicePixelsPerInch;
  FreeBitmap();
  bitmap_ = NewDib(width_, height_, backBits_);
  bits_ = backBits_;
  stride_ = gdi::DibStride(width_, 24);
  if (memoryDC_) previousBitmap_ = gdi::SelectObject(memoryDC_, bitmap_);
  return true;
}

void TEarthCanvas::SelectBMP(vcl::TCanvas* canvas) {
  if (memoryDC_) {
    gdi::SelectObject(memoryDC_, previousBitmap_);
    SetHandle({});
    gdi::DeleteDC(memoryDC_);
  }
  memoryDC_ =
      gdi::CreateCompatibleDC(canvas && canvas->HandleAllocated() ? canvas->Handle() : gdi::HDC{});
  SetHandle(memoryDC_);
  previousBitmap_ = gdi::SelectObject(memoryDC_, bitmap_);
  frontSelected_ = false;
  bits_ = backBits_;
}

bool TEarthCanvas::SelectFrontBuffer(bool front) {
  bool made = false;
  if (front && !front_ && bitmap_) {
    front_ = NewDib(width_, height_, frontBits_);
    made = true;
  }
  frontSelected_ = front && front_;
  bits_ = frontSelected_ ? frontBits_ : backBits_;
  if (memoryDC_) gdi::SelectObject(memoryDC_, frontSelected_ ? front_ : bitmap_);
  return made;
}

void TEarthCanvas::CopyBackToFront(const gdi::RECT* r) {
  if (!backBits_ || !frontBits_) return;
  const int32_t left = r ? std::max(r->left, 0) : 0,
                right = r ? std::min(r->right, width_) : width_;
  const int32_t top = r ? std::max(r->top, 0) : 0;
  const int32_t bottom = r ? std::min(r->bottom, height_) : height_;
  if (left >= right || top >= bottom) return;
  for (int32_t y = top; y < bottom; ++y) {
    const int64_t at = int64_t{height_ - 1 - y} * stride_ + int64_t{left} * 3;
    std::memcpy(frontBits_ + at, backBits_ + at, size_t(right - left) * 3);
  }
}

void TEarthCanvas::ReleaseBMP(gdi::HDC dc) {
  if (!memoryDC_) {
    SetHandle(dc);
    return;
  }
  gdi::SelectObject(memoryDC_, previousBitmap_);
  frontSelected_ = false;
  bits_ = backBits_;
  SetHandle(dc);
  if (dc) gdi::SelectClipRgn(dc, {});
  const gdi::HDC made = memoryDC_;
  memoryDC_ = {};
  if (!gdi::DeleteDC(made)) throw EEarthException("DeleteDC");
}

void TEarthCanvas::RefreshDC() {
  Refresh();
  RequiredState(csHandleValid | csPenValid | csBrushValid | csFontValid);
}

void TEarthCanvas::SetColorAdjustPercent(int32_t p) {
  if (p == adjustPercent_) return;
  adjustPercent_ = p;
  ++generation_;
}

void TEarthCanvas::SetColorAdjustTarget(gdi::TColor c) {
  if (c == adjustTarget_) return;
  adjustTarget_ = c;
  ++generation_;
}

gdi::COLORREF TEarthCanvas::RenderColor(gdi::TColor c) const {
  // System colours are resolved also without adjustment: GDI takes plain RGB only.
  const gdi::COLORREF rgb = gdi::ColorToRGB(c) & 0xFFFFFF;
  if (adjustPercent_ == 0) return rgb;
  const auto target = static_cast<gdi::COLORREF>(adjustTarget_);
  const auto channel = [&](int shift) {
    const int from = static_cast<int>((rgb >> shift) & 0xFF);
    const int to = static_cast<int>((target >> shift) & 0xFF);
    const double v = std::nearbyint(from + (to - from) * adjustPercent_ / 100.0);
    return static_cast<gdi::COLORREF>(std::clamp(v, 0.0, 255.0)) << shift;
  };
  return channel(0) | channel(8) | channel(16);
}

int32_t TEarthCanvas::ScaleUnitsToDevice(int32_t v, TEarthUnitTypes unit) const {
  if (unit == TEarthUnitTypes::Pixel) {
    if (screenPPI_ == 0) return v;
    return SaturateToInt32(static_cast<Extended>(EarthMulDiv(v, devicePPI_, screenPPI_)));
  }
  return SaturateToInt32(GetProjection()->ScaleFactor() * ::EarthUnitsFrom(v, unit));
}

int32_t TEarthCanvas::EarthUnitsFrom(Extended v, TEarthUnitTypes unit) const {
  if (unit == TEarthUnitTypes::Pixel) return SaturateToInt32(v / GetProjection()->ScaleFactor());
  return ::EarthUnitsFrom(v, unit);
}

int32_t TEarthCanvas::FontRenderHeight(int32_t size, TEarthUnitTypes unit) const {
  if (unit == TEarthUnitTypes::Pixel) return ScaleUnitsToDevice(size, unit);
  return SaturateToInt32(GetProjection()->ScaleFactor() *
                         (Extended(::EarthUnitsFrom(1, unit)) * size));
}

// ---- Clipping -----------------------------------------------------------------------------------

int32_t TEarthCanvas::ClipPoly(int32_t count, TEarthObjectStateSet state, int32_t margin) {
  if ((state.Word() & kClipAll.Word()) == 0) return count;
  TEarthPointBuffer* src = &gaPoints;
  TEarthPointBuffer* dst = &gaClipPoints;
  const bool closed = state.Contains(osClosed);
  const int64_t w = width_, h = height_, m = margin;
  struct Edge {
    TEarthObjectState bit;
    bool vertical;   // x = edge
    int64_t border;  // outside beyond this
    bool below;      // outside when the coordinate is below the border
    int64_t line;    // where the crossing is put
  };
  const Edge edges[] = {{osClipTop, false, 0, true, -m},
                        {osClipRight, true, w, false, w + m},
                        {osClipBottom, false, h, false, h + m},
                        {osClipLeft, true, 0, true, -m}};
  for (const Edge& e : edges) {
    if (!state.Contains(e.bit) || count <= 1) continue;
    src->Reserve(static_cast<size_t>(count) + 1);
    dst->Reserve(static_cast<size_t>(count) * 2 + 2);
    TEarthDevicePoint* in = src->Data();
    TEarthDevicePoint* out = dst->Data();
    in[count] = closed ? in[0] : in[count - 1];
    const auto coord = [&](const TEarthDevicePoint& p) { return int64_t{e.vertical ? p.X : p.Y}; };
    const auto outside = [&](const TEarthDevicePoint& p) {
      return e.below ? coord(p) < e.border : coord(p) > e.border;
    };
    int32_t n = 0;
    for (int32_t i = 1; i <= count; ++i) {
      const TEarthDevicePoint prev = in[i - 1], cur = in[i];
      const bool prevOut = outside(prev);
      if (!prevOut) out[n++] = prev;
      if (prevOut != outside(cur)) {
        // Crossing with the edge line, in 64 bits.
        const int64_t pa = coord(prev), ca = coord(cur);
        const int64_t pb = e.vertical ? prev.Y : prev.X, cb = e.vertical ? cur.Y : cur.X;
        const auto other = static_cast<int32_t>(cb + EarthMulDiv(e.line - ca, pb - cb, pa - ca));
        const auto at = static_cast<int32_t>(e.line);
        out[n++] = e.vertical ? TEarthDevicePoint{at, other} : TEarthDevicePoint{other, at};
      }
    }
    count = n;
    std::swap(src, dst);
  }
  if (src != &gaPoints) {
    gaPoints.Reserve(static_cast<size_t>(count));
    std::copy_n(src->Data(), count, gaPoints.Data());
  }
  return count;
}

void TEarthCanvas::DrawClippedPoly(int32_t count, TEarthObjectStateSet state, int32_t margin) {
  if (count <= 1) return;
  count = ClipPoly(count, state, margin);
  if (count <= 1) return;
  if (state.Contains(osClosed) && gatherRings_) {
    AddRing(count);
    return;
  }
  std::vector<gdi::POINT>& pts = ringPoints_;
  const size_t base = pts.size();
  for (int32_t i = 0; i < count; ++i) pts.push_back({gaPoints[i].X, gaPoints[i].Y});
  const gdi::HDC dc = Handle();
  if (state.Contains(osClosed)) {
    gdi::Polygon(dc, pts.data() + base, count);
  } else {
    gdi::Polyline(dc, pts.data() + base, count);
  }
  pts.resize(base);
}

void TEarthCanvas::BeginRings() {
  gatherRings_ = true;
  ringPoints_.clear();
  ringCounts_.clear();
}

void TEarthCanvas::AddRing(int32_t count) {
  for (int32_t i = 0; i < count; ++i) ringPoints_.push_back({gaPoints[i].X, gaPoints[i].Y});
  ringCounts_.push_back(count);
}

void TEarthCanvas::EndRings() {
  gatherRings_ = false;
  if (!ringCounts_.empty()) {
    const gdi::HDC dc = Handle();
    const int old = gdi::SetPolyFillMode(dc, gdi::ALTERNATE);
    gdi::PolyPolygon(dc, ringPoints_.data(), ringCounts_.data(),
                     static_cast<int>(ringCounts_.size()));
    gdi::SetPolyFillMode(dc, old);
  }
  ringPoints_.clear();
  ringCounts_.clear();
}

// ---- Chains -------------------------------------------------------------------------------------

void TEarthCanvas::RenderChainStore(TChainStore& chains, TEarthObjectStateSet state,
                                    int32_t margin) {
  RequiredState(csHandleValid | csPenValid | csBrushValid | csFontValid);
  TEarthProjection* projection = GetProjection();
  if (projection->BackFacePass()) {
    globe_->TransparentBrush()->RenderAttribute(this, false);
    globe_->TransparentPen()->RenderAttribute(this, false);
  }
  if (projection->Flags.Contains(pfContinuous) && state.Contains(osClosed)) {
    // Every ring of the object in one even-odd fill: holes stay open.
    const TEarthObjectStateSet clipped =
        TEarthObjectStateSet::FromWord(state.Word() | kClipAll.Word());
    // Each ring's run on the side not drawn follows the outline instead; an object wholly on
    // that side is passed over before its rings are worked.
    TEarthObjectStateSet side;
    if (!projection->Model()->VisibleMER(chains.ChainStoreMER(), side)) return;
    BeginRings();
    for (int32_t c = 0; c < chains.GetCount(); ++c) {
      const int32_t n = projection->Model()->PointStoreToXY(*chains.GetChain(c), 0, true);
      DrawClippedPoly(n, clipped, margin);
    }
    EndRings();
    return;
  }
  RenderFlatChains(chains, state, margin);
}

namespace {

// Which side of the back meridian a longitude lies on: 1 for 90 to 180 degrees east of the
// central meridian, -1 for 90 to 180 west, 0 between. The back meridian itself counts as the
// side it is written for (+180 east, -180 west).
int Quadrant(int32_t longitude, int32_t cm) {
  const int32_t q = Mod180(static_cast<int32_t>(int64_t{longitude} - cm)) / GU_90DEGREE;
  return std::clamp(q, -1, 1);
}

// A longitude east of the central meridian, within a turn, where the flat models place it.
int64_t FromCentre(int32_t longitude, int32_t cm) {
  return Mod180(static_cast<int32_t>((int64_t{longitude} - cm) % GU_360DEGREE));
}

// Whether the step from prev to cur, taken as every step is (LongStep), passes the back
// meridian: 1 eastwards, -1 westwards, 0 when it stays on the map. beyond: how far past the
// back meridian cur lies along the step; span: the step's length.
int BackMeridianCrossing(const TPointLL& prev, const TPointLL& cur, int32_t cm, int64_t& beyond,
                         int64_t& span) {
  const int64_t step = LongStep(prev.iLongX, cur.iLongX);
  const int64_t reached = FromCentre(prev.iLongX, cm) + step, placed = FromCentre(cur.iLongX, cm);
  span = step < 0 ? -step : step;
  if (reached == placed) return 0;
  beyond = reached > placed ? reached - GU_180DEGREE : -GU_180DEGREE - reached;
  return reached > placed ? 1 : -1;
}

struct RingParts {
  std::vector<std::unique_ptr<TPointStore>> parts;
  std::vector<int> crossingSide;  // side of the back meridian before each crossing
};

// Cuts a chain where it crosses the back meridian b.
RingParts CutAtBackMeridian(TPointStore& chain, bool closed, int32_t cm, int32_t b) {
  RingParts r;
  r.parts.push_back(std::make_unique<TPointStore>(chain.GetHeightFlag()));
  const int32_t n = chain.GetCount();
  TPointLL prev = chain.GetLL(closed ? n - 1 : 0);
  for (int32_t i = 0; i < n; ++i) {
    const TPointLL cur = chain.GetLL(i);
    int64_t beyond = 0, span = 0;
    if (const int side = BackMeridianCrossing(prev, cur, cm, beyond, span)) {
      // The crossing's latitude by how far along the step it lies.
      const Extended t = span == 0 ? 1 : Extended(beyond) / span;
      const int32_t lat =
          cur.iLatY + SaturateToInt32(std::nearbyint(t * (Extended(prev.iLatY) - cur.iLatY)));
      r.parts.back()->Add(PointLL(static_cast<int32_t>(int64_t{b} - 2 * side), lat));
      r.parts.push_back(std::make_unique<TPointStore>(chain.GetHeightFlag()));
      r.parts.back()->Add(PointLL(static_cast<int32_t>(int64_t{b} + 2 * side), lat));
      r.crossingSide.push_back(side);
    }
    r.parts.back()->Add(cur);
    prev = cur;
  }
  return r;
}

// Whether a chain crosses the back meridian anywhere (as CutAtBackMeridian would cut it).
bool CrossesBackMeridian(TPointStore& chain, bool closed, int32_t cm) {
  // Kept with the points until they change: a day's track is not walked every second.
  TPointStore::TDrawn& drawn = chain.Drawn();
  if (drawn.crosses >= 0 && drawn.centre == cm && drawn.closed == closed) return drawn.crosses;
  const int32_t n = chain.GetCount();
  TPointLL prev = chain.GetLL(closed ? n - 1 : 0);
  bool crosses = false;
  for (int32_t i = 0; i < n && !crosses; ++i) {
    const TPointLL cur = chain.GetLL(i);
    int64_t beyond = 0, span = 0;
    crosses = BackMeridianCrossing(prev, cur, cm, beyond, span) != 0;
    prev = cur;
  }
  drawn.centre = cm;
  drawn.closed = closed;
  drawn.crosses = crosses;
  return crosses;
}

// The path from the end of the last western/eastern part round the pole and back up the other
// side of the back meridian.
void PoleClosure(const TPointLL& from, int32_t returnLongitude, int pole, TPointStore& path) {
  const int64_t limit = int64_t{pole} * GU_90DEGREE;
  const int32_t edge = pole * 485'999'999;
  for (int64_t lat = int64_t{from.iLatY} + pole * GU_DEGREE; pole < 0 ? lat > limit : lat < limit;
       lat += pole * GU_DEGREE)
    path.Add(PointLL(from.iLongX, static_cast<int32_t>(lat)));
  path.Add(PointLL(from.iLongX, edge));
  for (int64_t lat = edge; pole < 0 ? lat < from.iLatY : lat > from.iLatY; lat -= pole * GU_DEGREE)
    path.Add(PointLL(returnLongitude, static_cast<int32_t>(lat)));
  path.Add(PointLL(returnLongitude, from.iLatY));
}

}  // namespace

void TEarthCanvas::RenderFlatChains(TChainStore& chains, TEarthObjectStateSet state,
                                    int32_t margin) {
  TEarthProjection* projection = GetProjection();
  TCustomProjectionModel* model = projection->Model();
  const int32_t cmWrapped = projection->CentralMeridianUnits();
  const int32_t b = Mod180(static_cast<int32_t>(int64_t{cmWrapped} + GU_180DEGREE));
  const bool closed = state.Contains(osClosed);
  if (closed) BeginRings();
  for (int32_t c = 0; c < chains.GetCount(); ++c) {
    TPointStore& chain = *chains.GetChain(c);
    if (chain.GetCount() < 2) continue;
    // A chain that stays on its side is drawn as it is: the positions on the globe it keeps
    // from the last drawing are used again, where a copy would work them all out anew.
    if (!CrossesBackMeridian(chain, closed, cmWrapped)) {
      if (!closed) {
        model->OpenChainToXY(chain, [&](int32_t n) { DrawClippedPoly(n, state, margin); });
      } else {
        DrawClippedPoly(model->PointStoreToXY(chain, 0, false), state, margin);
      }
      continue;
    }
    RingParts r = CutAtBackMeridian(chain, closed, cmWrapped, b);
    if (!closed) {
      for (auto& part : r.parts)
        model->OpenChainToXY(*part, [&](int32_t n) { DrawClippedPoly(n, state, margin); });
      continue;
    }
    const size_t crossings = r.crossingSide.size();
    int32_t n = 0;
    for (size_t i = 0; i < r.parts.size(); i += 2) n = model->PointStoreToXY(*r.parts[i], n, false);
    if (crossings % 2 == 0) {
      // The ring stays on its sides: the western and the eastern pieces are two polygons.
      DrawClippedPoly(n, state, margin);
      n = 0;
      for (size_t i = 1; i < r.parts.size(); i += 2)
        n = model->PointStoreToXY(*r.parts[i], n, false);
      DrawClippedPoly(n, state, margin);
      continue;
    }
    // An odd number of crossings: the ring goes round a pole, the one on the side of its mean
    // latitude. It is closed along the back meridian through that pole.
    const size_t lastEven = r.parts.size() - 2;
    const TPointStore& tail = *r.parts[lastEven];
    const TPointLL from = tail.GetLL(tail.GetCount() - 1);
    const int side = r.crossingSide[lastEven];
    const int pole = chain.Centroid().iLatY >= 0 ? 1 : -1;
    TPointStore closure;
    PoleClosure(from, PointLL(static_cast<int32_t>(int64_t{b} + 2 * side), 0).iLongX, pole,
                closure);
    n = model->PointStoreToXY(closure, n, false);
    for (size_t i = 1; i < r.parts.size(); i += 2) n = model->PointStoreToXY(*r.parts[i], n, false);
    DrawClippedPoly(n, state, margin);
  }
  if (closed) EndRings();
}

void TEarthCanvas::DrawVectorMatrixLine(const TV3D& v, const TMatrix& matrix, int32_t steps,
                                        int32_t height) {
  TChainStore chains;
  chains.SetStoreHeight(height >= 1);
  TPointStore* chain = chains.GetChain(0);
  chain->SetHeightFlag(height >= 1);
  TV3D p = v;
  for (int32_t i = 0; i <= steps; ++i) {
    TPointLL ll = V3DtoPointLL(p);
    if (height >= 1) ll.iHeightZ = height;
    chain->Add(ll);
    p = V3DMatrixMul(matrix, p);
  }
  RenderChainStore(chains, {osClipLeft, osClipTop, osClipRight, osClipBottom, osFace, osBackFace},
                   Pen()->Width());
}

// ---- Textures -----------------------------------------------------------------------------------

void TEarthCanvas::RenderTextureMap(const TTextureData& texture) {
  const TPointLL tl = texture.TextureXYToLL(0, 0);
  const TPointLL br = texture.TextureXYToLL(texture.GetPixelWidth(), texture.GetTextureHeight());
  int64_t width = int64_t{br.iLongX} - tl.iLongX;
  if (width <= 0) width += GU_360DEGREE;  // across the 180th meridian
  RenderTextureQuad(texture, tl, width, int64_t{tl.iLatY} - br.iLatY);
}

void TEarthCanvas::RenderTextureQuad(const TTextureData& texture, const TPointLL& topLeft,
                                     int64_t width, int64_t height) {
  const int64_t halfW = width / 2, halfH = height / 2;
  if (halfW >= GU_DEGREE && halfH >= GU_DEGREE) {
    const TPointLL right = PointLL(static_cast<int32_t>(topLeft.iLongX + halfW), topLeft.iLatY);
    const auto below = [](const TPointLL& p, int64_t d) {
      return PointLL(p.iLongX, static_cast<int32_t>(p.iLatY - d));
    };
    RenderTextureQuad(texture, topLeft, halfW, halfH);
    RenderTextureQuad(texture, right, width - halfW, halfH);
    RenderTextureQuad(texture, below(topLeft, halfH), halfW, height - halfH);
    RenderTextureQuad(texture, below(right, halfH), width - halfW, height - halfH);
    return;
  }
  const int32_t east = PointLL(static_cast<int32_t>(topLeft.iLongX + width), 0).iLongX;
  // The east edge of a map that ends on the 180th meridian stays east of it.
  const int32_t e = (topLeft.iLongX + width == GU_180DEGREE) ? GU_180DEGREE : east;
  const int32_t south = static_cast<int32_t>(topLeft.iLatY - height);
  const TPointLL nw = topLeft, ne{e, topLeft.iLatY, 0}, se{e, south, 0},
                 sw{topLeft.iLongX, south, 0};
  const TPointLL first[3] = {nw, ne, se};
  const TPointLL second[3] = {nw, se, sw};
  RenderTextureTriangle(first, texture);
  RenderTextureTriangle(second, texture);
}

void TEarthCanvas::RenderTextureTriangle(const TPointLL* corners, const TTextureData& texture) {
  if (!bits_ || !texture.IsValid()) return;
  TEarthProjection* projection = GetProjection();
  if (!projection->Flags.Contains(pfContinuous)) {
    const int32_t cm = projection->CentralMeridianUnits();
    bool east = false, west = false;
    for (int i = 0; i < 3; ++i) {
      const int q = Quadrant(corners[i].iLongX, cm);
      east = east || q == 1;
      west = west || q == -1;
    }
    if (east && west) return;
  }
  struct Corner {
    double x, y, u, v;
  } p[3];
  const int32_t texW = texture.GetPixelWidth(), texH = texture.GetTextureHeight();
  for (int i = 0; i < 3; ++i) {
    const TPointLL t = texture.LLToTextureXY(corners[i]);
    if (!projection->Model()->PointLLToXY(corners[i], i)) return;
    p[i] = {double(gaPoints[i].X), double(gaPoints[i].Y), double(t.iLongX), double(t.iLatY)};
  }
  const int32_t bw = std::min(width_, static_cast<int32_t>(stride_ / 3));
  const double minX = std::min({p[0].x, p[1].x, p[2].x}), maxX = std::max({p[0].x, p[1].x, p[2].x});
  const double minY = std::min({p[0].y, p[1].y, p[2].y}), maxY = std::max({p[0].y, p[1].y, p[2].y});
  if (maxX < 0 || maxY < 0 || minX >= bw || minY >= height_) return;
  std::sort(p, p + 3, [](const Corner& a, const Corner& b) { return a.y < b.y; });
  if (p[2].y == p[0].y) return;
  const uint8_t* texels = texture.Pixels();
  const int64_t texStride = texture.GetTextureWidth();
  const auto& palette = texture.Palette();
  const int transparent = texture.TransparentIndex;
  // Rows within the buffer only; a row's pixel centre decides which triangle owns it.
  const int yStart = std::max(0, static_cast<int>(std::ceil(p[0].y)));
  const int yEnd = std::min(height_, static_cast<int>(std::ceil(p[2].y)));
  const auto along = [](const Corner& a, const Corner& b, double y) {
    const double t = (b.y == a.y) ? 0 : (y - a.y) / (b.y - a.y);
    return Corner{a.x + (b.x - a.x) * t, y, a.u + (b.u - a.u) * t, a.v + (b.v - a.v) * t};
  };
  for (int y = yStart; y < yEnd; ++y) {
    Corner l = along(p[0], p[2], y);
    Corner r = y < p[1].y ? along(p[0], p[1], y) : along(p[1], p[2], y);
    if (r.x < l.x) std::swap(l, r);
    const int xStart = std::max(0, static_cast<int>(std::ceil(l.x)));
    const int xEnd = std::min(bw, static_cast<int>(std::ceil(r.x)));
    if (xStart >= xEnd) continue;
    const double span = r.x - l.x;
    const double du = span > 0 ? (r.u - l.u) / span : 0, dv = span > 0 ? (r.v - l.v) / span : 0;
    double u = l.u + (xStart - l.x) * du, v = l.v + (xStart - l.x) * dv;
    uint8_t* row = bits_ + static_cast<int64_t>(height_ - 1 - y) * stride_;
    for (int x = xStart; x < xEnd; ++x, u += du, v += dv) {
      const auto col = std::clamp<int64_t>(std::lround(u), 0, texW - 1);
      const auto trow = std::clamp<int64_t>(std::lround(v), 0, texH - 1);
      const uint8_t index = texels[trow * texStride + col];
      if (index == transparent) continue;
      const TEarthRGBQuad& q = palette[index];
      uint8_t* px = row + x * 3;
      px[0] = q.Blue;
      px[1] = q.Green;
      px[2] = q.Red;
    }
  }
}
