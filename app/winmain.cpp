#include "app/winmain.h"

#include <cstdio>

#include "app/aboutbox.h"
#include "app/folderlock.h"
#include "app/headlessanswer.h"
#include "app/mainform.h"
#include "app/polar.h"
#include "app/sailsel.h"
#include "app/settingsform.h"
#include "app/wpdbform1.h"
#include "app/shutdown.h"
#include "link/commswizard.h"
#include "link/comsettings.h"
#include "platform/display/backend.h"
#include "platform/display/sdl.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/thread.h"
#include "platform/vcl/clipboard.h"
#include "platform/vcl/dialogs.h"
#include "platform/win/message.h"
#include "platform/win/messages.h"
#include "platform/win/system.h"

void CreateForms(vcl::TApplication& app) {
  app.CreateForm(Form1);
  // A start that failed has told why, each box answered: the program ends without the rest.
  if (Form1->fExitCode != 0) return;
  app.CreateForm(About);
  app.CreateForm(Polardata);
  app.CreateForm(comms);
  app.CreateForm(Settings);
  app.CreateForm(WPDBForm);
  app.CreateForm(WizForm);
  app.CreateForm(sailselform);
  Form1->ArmStartTimers();
}

void ConnectClipboard(const std::shared_ptr<win::Backend>& backend) {
  if (std::dynamic_pointer_cast<display::SdlBackend>(backend))
    vcl::SetClipboardBackend(&display::SdlBackend::ClipboardText, [](const std::string& text) {
      display::SdlBackend::SetClipboardText(text);
    });
  else
    vcl::SetClipboardBackend(nullptr, nullptr);
}

namespace {

// On the thread that found the display gone, which must not wait for the port's thread: that
// one may be waiting for the window's thread.
void SaveWhenTheDisplayIsLost(const std::string& display) {
  std::fprintf(stderr, "corvatalen: the display %s was lost; the program closes\n",
               display.c_str());
  if (Form1 != nullptr && comms != nullptr && rtl::IsMainThread()) Form1->SaveWithoutDisplay();
}

}  // namespace

int WinMain(const std::string& backend) {
  IgnoreWriteSignals();
  // Held until the program ends, before anything in the folder is read or written.
  const TFolderLock folder(".");
  win::Initialize();
  std::string note;
  std::shared_ptr<win::Backend> screen = display::StartBackend(backend, &note);
  auto sdl = std::dynamic_pointer_cast<display::SdlBackend>(screen);
  ConnectClipboard(screen);
  if (!note.empty()) std::fprintf(stderr, "corvatalen: %s; running headless\n", note.c_str());
  const bool ownWindow = backend == "sdl" && note.empty();
  if (!ownWindow) vcl::SetDialogResponder(AnswerWithoutDisplay);
  int code = 0;
  {
    vcl::TApplication app;
    try {
      app.Initialize();
      app.SetTitle("Corvatalen - Sailboat performance package");
      app.SetHelpFile("C:\\projects\\corvatalen\\CORVATALEN.HLP");
      // Told as a start that cannot go on is, with no window of this program and nothing written
      // (the text log there is the other program's).
      if (!folder.InUseText().empty()) throw rtl::Exception(folder.InUseText());
      CreateForms(app);
      if (ownWindow) Form1->FillScreen();
      TShutdownSignals signals(Form1->Handle());
      Form1->fClosedBySignal = [&signals] { return signals.Signalled(); };
      // The window manager's close is the main window's close, settings written.
      if (sdl) sdl->OnCloseRequest = [main = Form1] { main->CloseFromFrame(); };
      // A lost display ends the program at once, with what its close would write.
      if (sdl) display::OnDisplayLost(SaveWhenTheDisplayIsLost);
      if (Form1->fExitCode == 0) app.Run();
      if (sdl) display::OnDisplayLost(nullptr);
      if (sdl) sdl->OnCloseRequest = nullptr;
      if (Form1 != nullptr) Form1->fClosedBySignal = nullptr;
      if (Form1 != nullptr) code = Form1->fExitCode;
    } catch (const std::exception& e) {
      app.ShowException(e);
      code = 1;
    }
    vcl::SetDialogResponder(nullptr);
    comms = nullptr;
    WizForm = nullptr;
    Settings = nullptr;
    Polardata = nullptr;
    About = nullptr;
    WPDBForm = nullptr;
    sailselform = nullptr;
  }
  ConnectClipboard(nullptr);
  // The window system alone holds the backend again, so it goes where it always went.
  sdl.reset();
  screen.reset();
  win::SetBackend(nullptr);
  win::Shutdown();
  return code;
}
