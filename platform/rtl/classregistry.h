#pragma once
// The process-wide registry of classes that are created by name (streamed and XML-loaded
// objects): a class is registered with a factory, found by name without regard to case, and
// asked what it derives from and how large its instances are.
//
//   rtl::RegisterClass<TPointPresenter>("TPointPresenter",
//       [](TEarthGlobe* g, int id) { return new TPointPresenter(g, id); });
//   rtl::TClass c = rtl::FindClass("tpointpresenter");
//   if (c->InheritsFrom<TEarthPresenter>()) auto* p = c->Create<TEarthPresenter>(globe, 0);
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <utility>

#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"

namespace rtl {

class TClassInfo;
using TClass = const TClassInfo*;

class TClassInfo {
 public:
  const std::string& ClassName() const { return name_; }
  size_t InstanceSize() const { return size_; }

  // True when this class is Base or derives from it.
  bool InheritsFrom(TClass Base) const { return Base && Base->catches_(throw_); }
  template <typename Base>
  bool InheritsFrom() const {
    return Catches<Base>(throw_);
  }

  // A new instance through the factory registered with exactly these argument types (after
  // decay); raises EInvalidOperation when the class has no such factory or the instance is not an
  // R. The caller owns the result (or its owner does, for a component).
  template <typename R = TObject, typename... Args>
  R* Create(Args&&... args) const {
    using Factory = std::function<TObject*(std::decay_t<Args>...)>;
    if (!factory_ || factoryType_ != std::type_index(typeid(Factory))) {
      throw EInvalidOperation("Class " + name_ + " has no constructor for these arguments");
    }
    TObject* o = (*static_cast<const Factory*>(factory_.get()))(std::forward<Args>(args)...);
    if (R* r = dynamic_cast<R*>(o)) return r;
    delete o;
    throw EInvalidOperation("Class " + name_ + " is not of the requested type");
  }

  // Internal: built by RegisterClass.
  template <typename T, typename... A>
  static TClassInfo Make(std::string name, std::function<TObject*(A...)> factory) {
    using Factory = std::function<TObject*(A...)>;
    TClassInfo c(std::move(name), sizeof(T), typeid(T), &Throw<T>, &Catches<T>);
    c.factory_ = std::make_shared<Factory>(std::move(factory));
    c.factoryType_ = typeid(Factory);
    return c;
  }
  std::type_index Type() const { return type_; }

 private:
  using Thrower = void (*)();
  TClassInfo(std::string name, size_t size, const std::type_info& type, Thrower thrower,
             bool (*catches)(Thrower))
      : name_(std::move(name)),
        size_(size),
        type_(type),
        throw_(thrower),
        catches_(catches),
        factoryType_(typeid(void)) {}

  // Derivation is asked of the language itself: a thrown T* is caught as B* exactly when T
  // derives (publicly, unambiguously) from B.
  template <typename T>
  static void Throw() {
    throw static_cast<T*>(nullptr);
  }
  template <typename B>
  static bool Catches(Thrower thrower) {
    try {
      thrower();
    } catch (B*) {
      return true;
    } catch (...) {
      return false;
    }
    return false;
  }

  std::string name_;
  size_t size_;
  std::type_index type_;
  Thrower throw_;
  bool (*catches_)(Thrower);
  std::shared_ptr<void> factory_;
  std::type_index factoryType_;
};

namespace detail {
TClass AddClass(TClassInfo info);
}

// Registers T under Name with a factory (a function or non-generic lambda returning a T*).
// Registering the same class again returns the first registration; another class under a taken
// name raises EInvalidOperation.
template <typename T, typename F>
TClass RegisterClass(const std::string& Name, F&& Factory) {
  std::function f(std::forward<F>(Factory));
  return [&]<typename R, typename... A>(std::function<R(A...)>& fn) {
    return detail::AddClass(
        TClassInfo::Make<T, A...>(Name, std::function<TObject*(A...)>([fn](A... a) -> TObject* {
                                    return fn(std::forward<A>(a)...);
                                  })));
  }(f);
}
// A default-constructible class, created without arguments.
template <typename T>
TClass RegisterClass(const std::string& Name) {
  return RegisterClass<T>(Name, [] { return new T(); });
}

// Puts registered component classes on a page of the component palette (a class is on one page;
// registering it again moves it).
void RegisterComponents(const std::string& Page, std::initializer_list<TClass> Classes);
// The palette page of a class, empty when it is on none.
std::string PalettePageOf(TClass Class);

// Raises EClassNotFound ("Class X not found").
TClass FindClass(const std::string& Name);
// nullptr when not registered.
TClass GetClass(const std::string& Name);
// The registered class of an object's dynamic type, or nullptr.
TClass ClassOf(const TObject* Object);

}  // namespace rtl
