// The engine's registry of classes made by name.
#include <deque>

#include "map/earthsysutils.h"
#include "platform/rtl/sysutils.h"

namespace {

// Process-wide, filled by unit start-up; a deque keeps the entries where they are.
std::deque<TEarthClass>& Registry() {
  static std::deque<TEarthClass> registry;
  return registry;
}

}  // namespace

void RegisterEarthClass(const TEarthClass& earthClass) {
  if (earthClass.Name.empty() || !earthClass.Create) {
    throw EEarthException("RegisterEarthClass: Invalid class");
  }
  if (FindEarthClass(earthClass.Name)) return;
  Registry().push_back(earthClass);
}

void RegisterEarthClasses(const TEarthClass* classes, int high) {
  for (int i = 0; i <= high; ++i) RegisterEarthClass(classes[i]);
}

const TEarthClass* FindEarthClass(std::string_view name) {
  for (const TEarthClass& c : Registry()) {
    if (rtl::SameText(c.Name, name)) return &c;
  }
  return nullptr;
}
