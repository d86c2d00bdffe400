#include "platform/gdi/metafile.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/gdi/bitmap.h"

namespace gdi {
namespace detail {

std::atomic<int> gLiveMetaFileDCs{0};

namespace {

struct Scripts {
  std::mutex lock;
  std::unordered_map<HDC, std::shared_ptr<MetaScript>> byDC;
};

Scripts& TheScripts() {
  static Scripts s;
  return s;
}

}  // namespace

bool IsMetaFileDC(HDC hdc) {
  Scripts& s = TheScripts();
  std::lock_guard g(s.lock);
  return s.byDC.count(hdc) != 0;
}

int& MetaScope::Depth() {
  static thread_local int depth = 0;
  return depth;
}

void MetaScope::Add(HDC hdc, MetaCall call) {
  Scripts& s = TheScripts();
  std::lock_guard g(s.lock);
  const auto it = s.byDC.find(hdc);
  if (it != s.byDC.end()) it->second->push_back(std::move(call));
}

void ForgetMetaFileDC(HDC hdc) {
  Scripts& s = TheScripts();
  std::lock_guard g(s.lock);
  if (s.byDC.erase(hdc)) --gLiveMetaFileDCs;
}

std::shared_ptr<GdiObject> KeepObject(HGDIOBJ obj) {
  const auto owned = [](GdiObject* o) {
    return std::shared_ptr<GdiObject>(ObjectTable::Add(std::unique_ptr<GdiObject>(o)),
                                      [](GdiObject* h) { DeleteObject(h); });
  };
  if (!obj || !ObjectTable::IsLive(obj)) return nullptr;
  if (obj->IsStock()) return std::shared_ptr<GdiObject>(obj, [](GdiObject*) {});
  if (const auto* p = dynamic_cast<const Pen*>(obj)) {
    auto* c = new Pen();
    c->style = p->style;
    c->width = p->width;
    c->color = p->color;
    c->endCap = p->endCap;
    c->join = p->join;
    c->geometric = p->geometric;
    return owned(c);
  }
  if (const auto* b = dynamic_cast<const Brush*>(obj)) {
    auto* c = new Brush();
    c->style = b->style;
    c->color = b->color;
    c->sysColorIndex = b->sysColorIndex;
    c->hatch = b->hatch;
    c->pattern = b->pattern;
    return owned(c);
  }
  if (const auto* f = dynamic_cast<const Font*>(obj)) {
    auto* c = new Font(f->logfont);
    c->face = f->face;
    return owned(c);
  }
  if (const auto* r = dynamic_cast<const Rgn*>(obj)) return owned(new Rgn(r->region));
  return nullptr;
}

std::shared_ptr<Surface> KeepPixels(HDC src, int x, int y, int width, int height) {
  DC* dc = LiveDC(src);
  if (!dc || !dc->Target() || width <= 0 || height <= 0) return nullptr;
  const Surface& from = *dc->Target();
  auto copy = std::make_shared<Surface>(from.Layout(), width, height);
  const int64_t sx = dc->SX(x), sy = dc->SY(y);
  for (int j = 0; j < height; ++j) {
    for (int i = 0; i < width; ++i) {
      const int64_t fx = sx + i, fy = sy + j;
      if (fx >= 0 && fy >= 0 && fx < from.Width() && fy < from.Height())
        copy->Set(i, j, from.Get(int(fx), int(fy)));
    }
  }
  return copy;
}

}  // namespace detail

using namespace detail;

HDC CreateMetaFileDC(int width, int height) {
  HDC hdc = CreateRecordingDC(std::max(width, 1), std::max(height, 1));
  Scripts& s = TheScripts();
  std::lock_guard g(s.lock);
  s.byDC[hdc] = std::make_shared<MetaScript>();
  ++gLiveMetaFileDCs;
  return hdc;
}

std::shared_ptr<const MetaScript> TakeMetaScript(HDC hdc) {
  Scripts& s = TheScripts();
  std::lock_guard g(s.lock);
  const auto it = s.byDC.find(hdc);
  if (it == s.byDC.end()) return std::make_shared<const MetaScript>();
  return std::exchange(it->second, std::make_shared<MetaScript>());
}

BOOL PlayMetaScript(HDC hdc, const MetaScript& script, int x, int y, int width, int height) {
  DC* dc = LiveDC(hdc);
  if (!dc) return FALSE;
  MetaPlay play;
  play.at = POINT{dc->DX(x), dc->DY(y)};
  play.base = Region(RECT{play.at.x, play.at.y, play.at.x + width, play.at.y + height});
  if (dc->state.clip) play.base = Region::Combine(play.base, *dc->state.clip, RegionOp::And);
  play.savedLevel = SaveDC(hdc);
  // The picture was recorded from a fresh DC's state.
  DCState fresh;
  fresh.bitmap = dc->state.bitmap;
  fresh.pen = ObjRef<Pen>(static_cast<HPEN>(GetStockObject(BLACK_PEN)));
  fresh.brush = ObjRef<Brush>(static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  fresh.font = ObjRef<Font>(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
  fresh.viewportOrg = play.at;
  fresh.brushOrg = play.at;
  fresh.clip = play.base;
  dc->state = std::move(fresh);
  dc->ClipChanged();
  for (const MetaCall& call : script) call(hdc, play);
  return RestoreDC(hdc, play.savedLevel);
}

}  // namespace gdi
