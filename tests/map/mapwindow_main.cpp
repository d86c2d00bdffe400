// A window with the map control and the land layer, on the screen backend the environment picks
// (CORVATALEN_DISPLAY): the Xvfb test drives it with a real mouse.
#include <cstdio>

#include "map/earthmap.h"
#include "platform/display/backend.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "tests/map/landlayer.h"

// The X and SDL libraries keep some allocations until the process ends.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libSDL2\nleak:libxcb\nleak:libdbus\nleak:libXi\nleak:libXcursor\n";
}

int main() {
  win::Initialize();
  std::string note;
  const auto backend = display::StartBackend(display::ChosenBackendName(), &note);
  if (!note.empty()) std::fprintf(stderr, "map window: %s\n", note.c_str());
  {
    vcl::TApplication app;
    vcl::TForm* form = nullptr;
    app.CreateForm(form);
    form->SetBounds(0, 0, 800, 600);
    form->SetText("Map");
    auto* map = new TEarthMap(form);
    map->SetAlign(vcl::alClient);
    map->SetParent(form);
    maptest::LoadLand(map);
    map->Projection()->SetScaleFactor(0);
    app.Run();
  }
  win::SetBackend(nullptr);
  win::Shutdown();
  return 0;
}
