#pragma once
// Method-pointer events: an object plus one of its member functions, fired only when assigned and
// comparable for identity, so a hook can tell whether a handler is still its own.
//   Event<void(TObject*)> OnClick;
//   OnClick = rtl::MakeEvent(this, &TForm1::Button1Click);
//   if (OnClick) OnClick(this);
#include <array>
#include <cstring>
#include <functional>
#include <utility>

namespace rtl {

template <typename Signature>
class Event;

template <typename R, typename... Args>
class Event<R(Args...)> {
 public:
  Event() = default;
  Event(std::nullptr_t) {}

  // A callable with an explicit identity key (tests, adapters): two events compare equal when
  // their keys are equal.
  template <typename F>
  Event(const void* key, F&& f) : object_(key), call_(std::forward<F>(f)) {}

  template <typename T, typename M>
  static Event FromMethod(T* object, M method) {
    Event e;
    e.object_ = object;
    static_assert(sizeof(method) <= sizeof(Bytes), "member pointer too large");
    std::memcpy(e.method_.data(), &method, sizeof(method));
    e.call_ = [object, method](Args... args) -> R {
      return (object->*method)(std::forward<Args>(args)...);
    };
    return e;
  }

  explicit operator bool() const { return static_cast<bool>(call_); }

  R operator()(Args... args) const { return call_(std::forward<Args>(args)...); }

  // The object the handler belongs to (nullptr when unassigned).
  const void* Object() const { return object_; }

  friend bool operator==(const Event& a, const Event& b) {
    return a.object_ == b.object_ && a.method_ == b.method_ &&
           static_cast<bool>(a.call_) == static_cast<bool>(b.call_);
  }
  friend bool operator==(const Event& a, std::nullptr_t) { return !a; }

 private:
  using Bytes = std::array<unsigned char, 2 * sizeof(void*)>;
  const void* object_ = nullptr;
  Bytes method_{};
  std::function<R(Args...)> call_;
};

// The object is taken as the class that declares the method, so a handler set through a derived
// pointer equals one set through the base pointer.
template <typename T, typename C, typename R, typename... Args>
Event<R(Args...)> MakeEvent(T* object, R (C::*method)(Args...)) {
  return Event<R(Args...)>::FromMethod(static_cast<C*>(object), method);
}
template <typename T, typename C, typename R, typename... Args>
Event<R(Args...)> MakeEvent(const T* object, R (C::*method)(Args...) const) {
  return Event<R(Args...)>::FromMethod(static_cast<const C*>(object), method);
}

class TObject;
using TNotifyEvent = Event<void(TObject* Sender)>;

}  // namespace rtl
