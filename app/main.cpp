#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/winmain.h"

int main() {
  const char* display = std::getenv("CORVATALEN_DISPLAY");
  const bool headless = display != nullptr && std::string_view(display) == "headless";
  // No display backend is built in yet: every run uses the in-memory screen.
  if (!headless) std::fputs("corvatalen: no display available, running headless\n", stderr);
  return WinMain(true);
}
