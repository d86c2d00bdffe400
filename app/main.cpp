#include "app/winmain.h"
#include "platform/display/backend.h"

// CORVATALEN_DISPLAY=headless runs without a display; "sdl" (the default where a display is
// available) shows the windows.
int main() {
  return WinMain(display::ChosenBackendName());
}
