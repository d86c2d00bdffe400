#pragma once
// Metafile device contexts: a DC that keeps the drawing calls made on it (with copies of the
// pens, brushes, fonts, regions and source pictures they use) so that they can be played onto
// any other DC later, placed anywhere on it. It also draws them onto a picture of its own size,
// so that it answers questions (clip box, text extents, pixels) like any memory DC.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

#include "platform/gdi/dc.h"

namespace gdi {

// Where a playback puts the picture: its (0, 0) at device point at of the target, drawing kept
// within base (device coordinates of the target).
struct MetaPlay {
  POINT at{};
  Region base;
  int savedLevel = 0;  // the target's SaveDC level when the playback began
};
using MetaCall = std::function<void(HDC target, const MetaPlay& play)>;
using MetaScript = std::vector<MetaCall>;

// A metafile DC of the given size; DeleteDC ends it.
HDC CreateMetaFileDC(int width, int height);
// The calls recorded so far, handed over; the DC records on into an empty script.
std::shared_ptr<const MetaScript> TakeMetaScript(HDC hdc);
// Plays the calls onto hdc with the picture's top-left corner at the logical point (x, y),
// drawing clipped to width x height from there; afterwards the DC's state is as it was.
BOOL PlayMetaScript(HDC hdc, const MetaScript& script, int x, int y, int width, int height);

namespace detail {

// Recording, for the drawing functions: a scope around a call on hdc records the call made by
// make() when hdc is a metafile DC and the call is not made from within another recorded call
// (a frame drawn by filling rectangles is one call).
bool IsMetaFileDC(HDC hdc);
extern std::atomic<int> gLiveMetaFileDCs;
class MetaScope {
 public:
  template <class Make>
  requires std::is_invocable_r_v<MetaCall, Make&> MetaScope(HDC hdc, Make&& make) {
    if (gLiveMetaFileDCs.load(std::memory_order_relaxed) == 0 || !IsMetaFileDC(hdc)) return;
    active_ = true;
    if (Depth()++ == 0) Add(hdc, make());
  }
  // The call played back as fn with the same arguments.
  template <class R, class... P, class... A>
  MetaScope(HDC hdc, R (*fn)(HDC, P...), A... args)
      : MetaScope(hdc, [&] {
          return MetaCall([fn, args...](HDC t, const MetaPlay&) { fn(t, args...); });
        }) {}
  ~MetaScope() {
    if (active_) --Depth();
  }
  MetaScope(const MetaScope&) = delete;
  MetaScope& operator=(const MetaScope&) = delete;

 private:
  static int& Depth();
  static void Add(HDC hdc, MetaCall call);
  bool active_ = false;
};

// Copies kept by a script: an object of the same kind and settings (stock objects as they are),
// and a picture taken from a DC's surface.
std::shared_ptr<GdiObject> KeepObject(HGDIOBJ obj);
std::shared_ptr<Surface> KeepPixels(HDC src, int x, int y, int width, int height);
void ForgetMetaFileDC(HDC hdc);

}  // namespace detail
}  // namespace gdi
