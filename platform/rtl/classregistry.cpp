#include "platform/rtl/classregistry.h"

#include <deque>
#include <map>
#include <mutex>

#include "platform/rtl/sysutils.h"

namespace rtl {

namespace {

struct Registry {
  std::mutex lock;
  std::deque<TClassInfo> classes;  // stable addresses
  std::map<TClass, std::string> pages;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

TClass FindLocked(Registry& r, const std::string& name) {
  for (const TClassInfo& c : r.classes) {
    if (SameText(c.ClassName(), name)) return &c;
  }
  return nullptr;
}

}  // namespace

TClass detail::AddClass(TClassInfo info) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  if (TClass existing = FindLocked(r, info.ClassName())) {
    if (existing->Type() == info.Type()) return existing;
    throw EInvalidOperation("A class named " + info.ClassName() + " already exists");
  }
  r.classes.push_back(std::move(info));
  return &r.classes.back();
}

void RegisterComponents(const std::string& Page, std::initializer_list<TClass> Classes) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  for (TClass c : Classes)
    if (c) r.pages[c] = Page;
}

std::string PalettePageOf(TClass Class) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  auto it = r.pages.find(Class);
  return it == r.pages.end() ? std::string() : it->second;
}

TClass GetClass(const std::string& Name) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  return FindLocked(r, Name);
}

TClass FindClass(const std::string& Name) {
  if (TClass c = GetClass(Name)) return c;
  throw EClassNotFound("Class " + Name + " not found");
}

TClass ClassOf(const TObject* Object) {
  if (!Object) return nullptr;
  const std::type_index type(typeid(*Object));
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  for (const TClassInfo& c : r.classes) {
    if (c.Type() == type) return &c;
  }
  return nullptr;
}

}  // namespace rtl
