// The engine's list of the classes it makes by name.
#include <algorithm>

#include "map/earthsysutils.h"

namespace {

// Process-wide, filled by unit start-up.
std::vector<rtl::TClass>& Registry() {
  static std::vector<rtl::TClass> registry;
  return registry;
}

}  // namespace

void RegisterEarthClass(rtl::TClass earthClass) {
  if (!earthClass) throw EEarthException("RegisterEarthClass: Invalid class");
  auto& registry = Registry();
  if (std::find(registry.begin(), registry.end(), earthClass) == registry.end()) {
    registry.push_back(earthClass);
  }
}

void RegisterEarthClasses(const rtl::TClass* classes, int high) {
  for (int i = 0; i <= high; ++i) RegisterEarthClass(classes[i]);
}

const std::vector<rtl::TClass>& EarthClasses() {
  return Registry();
}
