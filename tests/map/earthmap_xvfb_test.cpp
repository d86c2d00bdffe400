// The map control in a real window on an X display (Xvfb) with the SDL backend, driven by a real
// mouse (xdotool): the globe turned by a drag, a zoom box dragged with the right button, the
// view after it, a click on a scroll bar arrow. Each step must change the picture; the
// screenshots are kept in the build tree to be looked at.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "tests/tempdir.h"
#include "tests/xvfbtools.h"

namespace {

using xvfb::Output;

struct Geometry {
  int x = 0, y = 0, w = 0, h = 0;
};

class Screen {
 public:
  explicit Screen(std::string display) : display_(std::move(display)) {}
  // A screenshot into file; its pixel signature.
  std::string Shot(const std::string& file) const {
    Output("import -display " + display_ + " -window root png:" + file + " 2>&1");
    return Output("identify -format '%#' " + file + " 2>/dev/null");
  }
  int Colours(const std::string& file) const {
    return std::atoi(Output("identify -format '%k' " + file + " 2>/dev/null").c_str());
  }
  void Do(const std::string& actions) const {
    Output("DISPLAY=" + display_ + " xdotool " + actions + " 2>&1");
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
  }
  // The first window whose name matches.
  Geometry Window(const std::string& name) const {
    const std::string id =
        Output("DISPLAY=" + display_ + " xdotool search --name '" + name + "' 2>/dev/null");
    std::map<std::string, int> v;
    std::istringstream in(Output("DISPLAY=" + display_ + " xdotool getwindowgeometry --shell " +
                                 id.substr(0, id.find('\n')) + " 2>/dev/null"));
    std::string line;
    while (std::getline(in, line))
      if (const auto eq = line.find('='); eq != std::string::npos)
        v[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
    return {v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]};
  }

 private:
  std::string display_;
};

std::string Move(int x, int y) {
  return "mousemove " + std::to_string(x) + " " + std::to_string(y);
}

TEST(MapXvfb, TurnZoomAndScrollInARealWindow) {
  if (!xvfb::Have("Xvfb") || !xvfb::Have("import") || !xvfb::Have("xdotool"))
    GTEST_SKIP() << "Xvfb, ImageMagick or xdotool missing";
  std::string name;
  const pid_t x = xvfb::StartDisplay(name);
  ASSERT_GT(x, 0) << "Xvfb did not start";
  const pid_t app = xvfb::Spawn({MAP_WINDOW_EXE}, {"DISPLAY=" + name, "CORVATALEN_DISPLAY=sdl"});
  const Screen screen(name);
  const TempDir temp("corv_map_xvfb");
  const std::string probe = temp / "probe.png";
  for (int i = 0; i < 40 && screen.Colours(probe) <= 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    screen.Shot(probe);
  }
  const Geometry g = screen.Window("corvatalen");  // the SDL backend's window
  // The form (800 x 600 at the screen's top left) made active by a click on its caption.
  screen.Do(Move(g.x + 200, g.y + 8) + " click 1");
  const std::string start = screen.Shot("xvfb_map_start.png");
  const int cx = g.x + 400, cy = g.y + 310;
  // Turn the globe: the left button dragged from the middle to the right and down.
  std::string drag = Move(cx, cy) + " mousedown 1";
  for (int i = 1; i <= 10; ++i) drag += " " + Move(cx + i * 8, cy + i * 4);
  screen.Do(drag + " mouseup 1");
  const std::string turned = screen.Shot("xvfb_map_turned.png");
  // A zoom box with the right button, shot while it is open, then released.
  screen.Do(Move(cx - 60, cy - 45) + " mousedown 3 " + Move(cx, cy) + " " + Move(cx + 60, cy + 45));
  const std::string box = screen.Shot("xvfb_map_zoombox.png");
  screen.Do("mouseup 3");
  const std::string zoomed = screen.Shot("xvfb_map_zoomed.png");
  // The horizontal bar's right arrow, left of the vertical bar at the map's bottom right.
  screen.Do(Move(g.x + 800 - 4 - 17 - 8, g.y + 600 - 4 - 8) + " click 1");
  const std::string scrolled = screen.Shot("xvfb_map_scrolled.png");
  const bool running = waitpid(app, nullptr, WNOHANG) == 0;
  xvfb::Stop(app);
  xvfb::Stop(x);
  EXPECT_TRUE(running);
  EXPECT_GT(g.w, 0) << "no window";
  EXPECT_NE(turned, start) << "the drag did not turn the globe";
  EXPECT_NE(box, turned) << "no zoom box";
  EXPECT_NE(zoomed, box) << "the box did not zoom";
  EXPECT_NE(scrolled, zoomed) << "the scroll bar did not pan";
}

}  // namespace
