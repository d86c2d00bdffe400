#pragma once
// Switches the calling thread to the C locale for the guard's lifetime, so that printf-style
// number output never picks up a decimal comma. Internal to rtl.
#include <locale.h>

namespace rtl::detail {

locale_t CLocale();

class CLocaleScope {
 public:
  CLocaleScope() : previous_(uselocale(CLocale())) {}
  ~CLocaleScope() { uselocale(previous_); }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t previous_;
};

}  // namespace rtl::detail
