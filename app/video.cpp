// The main window's video: the capture control, the capture settings command, the capture
// button, single frames and the media player of replay.
#include "app/video.h"

#include <cstdlib>
#include <exception>
#include <string>

#include "app/graphconfig.h"
#include "app/mainform.h"
#include "app/settingsranges.h"
#include "capture/vcapstrings.h"
#include "platform/capture/synthetic.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/newchild.h"

namespace {

constexpr const char* kIniFile = "corvatalen.ini";
constexpr const char* kDeviceLost =
    "The video capture device has been disconnected. Capture and preview have stopped.";
constexpr const char* kCaptureAborted =
    "The video could not be written any further (is the disk full?). Capture has stopped; the "
    "video recorded until then is kept.";

}  // namespace

void ReadVideoKeys(rtl::TCustomIniFile& ini, TGraphConfig& c) {
  c.VCapSource = ReadSettingText(ini, "video", "VSource");
  c.ACapSource = ReadSettingText(ini, "video", "ASource");
  c.VComp = ReadSettingText(ini, "video", "VComp");
  c.AComp = ReadSettingText(ini, "video", "AComp");
  // Stored as bytes; the capture control brings values out of range back to its defaults.
  c.DVResolution = static_cast<uint8_t>(ReadSettingInteger(ini, "video", "DVResolution"));
  c.PixelFormat = static_cast<uint8_t>(ReadSettingInteger(ini, "video", "Pixelformat"));
}

void WriteVideoKeys(rtl::TCustomIniFile& ini, const TGraphConfig& c) {
  ini.WriteString("video", "VSource", c.VCapSource);
  ini.WriteString("video", "ASource", c.ACapSource);
  ini.WriteString("video", "VComp", c.VComp);
  ini.WriteString("video", "AComp", c.AComp);
  ini.WriteInteger("video", "DVResolution", c.DVResolution);
  ini.WriteInteger("video", "Pixelformat", c.PixelFormat);
}

void TForm1::BuildVideoComponents() {
  // A synthetic camera for trying the video without one (and for the tests under Xvfb).
  if (const char* name = std::getenv("CORVATALEN_SYNTHETIC_CAMERA"); name && *name)
    capture::AddSyntheticCamera(name);
  // The video window's client: the camera's preview, or a replay's video in its place.
  docking::TDKToolWindow* videoWindow = DKToolWindow[31];
  cap = vcl::NewChild<TVideoCapture>(this, videoWindow, "cap");
  cap->SetAlign(vcl::alClient);
  cap->SetVisible(false);
  // Video only: most boats have no microphone, and the settings dialog that would switch sound
  // on is not there yet.
  cap->WantAudio = false;
  cap->OnDeviceLost = rtl::MakeEvent(this, &TForm1::capDeviceLost);
  cap->OnAborted = rtl::MakeEvent(this, &TForm1::capAborted);
  // On the status line: the tool bar is full.
  BitBtn2 = vcl::NewChild<vcl::TBitBtn>(this, StatusPanel, "BitBtn2",
                                        Label1->Left() + Label1->Width() + 8, 2, 72, 20);
  BitBtn2->SetCaption("Video");
  BitBtn2->OnClick = rtl::MakeEvent(this, &TForm1::BitBtn2Click);
  StatusPanel->OnResize = rtl::MakeEvent(this, &TForm1::StatusPanelResize);
  BitBtn3->OnClick = rtl::MakeEvent(this, &TForm1::BitBtn3Click);
  VideoTimer = vcl::NewChild<vcl::TTimer>(this, nullptr, "VideoTimer");
  VideoTimer->SetEnabled(false);
  VideoTimer->SetInterval(60000);
  VideoTimer->OnTimer = rtl::MakeEvent(this, &TForm1::VideoTimerTimer);
  MediaPlayer1 = vcl::NewChild<vcl::TMediaPlayer>(this, nullptr, "MediaPlayer1");
  ReplayVideoPanel = vcl::NewChild<vcl::TPanel>(this, videoWindow, "ReplayVideoPanel");
  ReplayVideoPanel->SetAlign(vcl::alClient);
  ReplayVideoPanel->SetVisible(false);
  MediaPlayer1->SetDisplay(ReplayVideoPanel);
}

void TForm1::BitBtn2Click(rtl::TObject*) {
  rtl::TIniFile ini(kIniFile);
  cap->SaveGraph(fGraphConfig.get());
  ReadVideoKeys(ini, *fGraphConfig);
  // A name of the recording rule that no table or video uses yet: a capture never overwrites a
  // recording's video. Only looked at: the preview records nothing, and the recording or capture
  // that starts next takes its own name (this one, while it stays free).
  fGraphConfig->CaptureFileName = UnusedRecordingName(false) + ".avi";
  ExecuteGraphConfig(fGraphConfig.get(), cap);
  cap->RestoreGraph(fGraphConfig.get());
  // A folder or settings file that cannot be written (read-only, full) keeps the choice for this
  // run: the preview asked for still starts, and the user hears once why it will not be kept.
  try {
    WriteVideoKeys(ini, *fGraphConfig);
  } catch (const std::exception& e) {
    TellOnce(std::string("The capture settings could not be saved: ") + e.what(), "Error",
             vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
  }
  // The camera takes the place of a replay's video.
  CloseReplayVideo();
  cap->StartPreview();
  // Without a camera there is no picture: an empty control would cover the charts for good.
  cap->SetVisible(cap->Previewing());
  // The preview asked for is shown: its window too, which starts hidden.
  if (cap->Previewing()) DKToolWindow[31]->SetVisible(true);
}

void TForm1::BitBtn3Click(rtl::TObject*) {
  if (fCapturing == 1) {
    cap->StopCapture();
    BitBtn3->SetCaption("Capture");
  } else {
    // Under a name of its own: the last name set may be a recording's video.
    cap->SetCaptureFileName(UnusedRecordingName() + ".avi");
    // Without a camera, or when the control could not start (it tells why in its own box), the
    // button must not offer to stop a capture that is not running.
    cap->StartCapture(false);
    if (!cap->Capturing()) return;
    BitBtn3->SetCaption("Stop");
  }
  fCapturing = fCapturing == 1 ? 0 : 1;
}

void TForm1::VideoTimerTimer(rtl::TObject*) {
  cap->CaptureFrame();
}

void TForm1::capDeviceLost(rtl::TObject*) {
  // The control stops capture and preview itself once this returns; the capture button must not
  // stay on "Stop" for a capture that has ended.
  fCapturing = 0;
  BitBtn3->SetCaption("Capture");
  ShowBox(kDeviceLost, vcapstrings::kCaption, vcl::MB_OK | vcl::MB_ICONERROR);
}

void TForm1::capAborted(rtl::TObject*) {
  // A write failed and the control has ended the capture: the button must not stay on "Stop"
  // for a video that no longer grows.
  fCapturing = 0;
  BitBtn3->SetCaption("Capture");
  ShowBox(kCaptureAborted, vcapstrings::kCaption, vcl::MB_OK | vcl::MB_ICONERROR);
}
