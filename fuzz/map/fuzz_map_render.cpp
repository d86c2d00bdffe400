// Settings XML into a projection, a pen, a brush and a font, then a grid of positions projected
// and drawn with them: whatever the settings say, projecting and drawing stays in bounds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "map/earthmap.h"
#include "platform/rtl/exceptions.h"
#include "platform/win/system.h"
#include "tests/map/testearthmap.h"

namespace {

TTestEarthMap& Map() {
  static TTestEarthMap* map = [] {
    win::Initialize();
    auto* m = new TTestEarthMap(nullptr);  // lives as long as the process
    m->UseBackBuffer(160, 120);
    return m;
  }();
  return *map;
}

void Load(TEarthENVPersistent& target, TEarthXML_Element* root, const char* name) {
  try {
    target.LoadEnvironment(root->ElementByName(name, 0));
  } catch (const rtl::Exception&) {
    // A class name the registry does not know, or one of the wrong kind.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TTestEarthMap& map = Map();
  TEarthProjection& p = *map.Projection();
  p.SetProjectionClass("TSphericalPrj");
  p.SetScaleFactor(0);
  TEarthXML_Document d;
  d.SetXMLString(std::string(reinterpret_cast<const char*>(data), size));
  TEarthXML_Element* root = d.Document()->ElementByName("Map", 0);
  if (!root) root = d.Document();
  TEarthPen pen;
  TEarthBrush brush;
  TEarthFont font;
  Load(p, root, "Projection");
  Load(pen, root, "Pen");
  Load(brush, root, "Brush");
  Load(font, root, "Font");

  TEarthCanvas* canvas = map.EarthCanvas();
  canvas->RefreshDC();
  pen.RenderAttribute(canvas, false);
  brush.RenderAttribute(canvas, false);
  font.RenderAttribute(canvas, false);
  // The grid: every 30 degrees a point, a label and a square.
  for (int lat = -90; lat < 90; lat += 30) {
    for (int lon = -180; lon < 180; lon += 30) {
      TEarthDevicePoint pt;
      const int32_t x = lon * GU_DEGREE, y = lat * GU_DEGREE;
      if (p.LLToDeviceXY(x, y, pt) && font.Handle())
        gdi::TextOut(canvas->Handle(), pt.X, pt.Y, "+");
      TPointLL back;
      p.DeviceXYToLL(pt.X, pt.Y, back);
      const TPointLL square[4] = {PointLL(x, y), PointLL(x + 20 * GU_DEGREE, y),
                                  PointLL(x + 20 * GU_DEGREE, y + 20 * GU_DEGREE),
                                  PointLL(x, y + 20 * GU_DEGREE)};
      map.RenderPolygon(square, 3);
    }
  }
  map.PaintGraticuleLines();
  p.Model()->PaintSurface();
  return 0;
}
