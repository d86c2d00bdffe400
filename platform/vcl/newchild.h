#pragma once
// A form's parts made in one call: a component owned by Owner (which frees it with itself) and
// named; a control also placed on Parent and, when given, at its bounds.
#include <string>
#include <type_traits>

#include "platform/rtl/classes.h"
#include "platform/vcl/controls.h"

namespace vcl {

template <class T>
T* NewChild(rtl::TComponent* Owner, TWinControl* Parent, const std::string& Name) {
  auto* c = new T(Owner);
  c->SetName(Name);
  if constexpr (std::is_base_of_v<TControl, T>) c->SetParent(Parent);
  return c;
}

template <class T>
T* NewChild(rtl::TComponent* Owner, TWinControl* Parent, const std::string& Name, int Left, int Top,
            int Width, int Height) {
  static_assert(std::is_base_of_v<TControl, T>, "only a control has bounds");
  T* c = NewChild<T>(Owner, Parent, Name);
  c->SetBounds(Left, Top, Width, Height);
  return c;
}

}  // namespace vcl
