#include "platform/rtl/palette.h"

#include <mutex>
#include <utility>

#include "platform/rtl/sysutils.h"

namespace rtl {

namespace {

struct Palette {
  std::mutex lock;
  std::vector<std::pair<std::string, TClass>> entries;  // page, class; in registration order
};

Palette& ThePalette() {
  static Palette p;
  return p;
}

}  // namespace

void RegisterComponents(const std::string& Page, std::initializer_list<TClass> Classes) {
  Palette& p = ThePalette();
  std::lock_guard g(p.lock);
  for (TClass c : Classes) {
    if (!c || GetClass(c->ClassName()) != c)
      throw EInvalidOperation("Only registered classes go on the component palette");
    bool placed = false;
    for (const auto& e : p.entries) placed = placed || e.second == c;
    if (!placed) p.entries.emplace_back(Page, c);
  }
}

std::string ComponentPalettePage(TClass Class) {
  Palette& p = ThePalette();
  std::lock_guard g(p.lock);
  for (const auto& e : p.entries) {
    if (e.second == Class) return e.first;
  }
  return {};
}

std::vector<TClass> ComponentPaletteClasses(const std::string& Page) {
  Palette& p = ThePalette();
  std::lock_guard g(p.lock);
  std::vector<TClass> out;
  for (const auto& e : p.entries) {
    if (SameText(e.first, Page)) out.push_back(e.second);
  }
  return out;
}

}  // namespace rtl
