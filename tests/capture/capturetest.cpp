#include "tests/capture/capturetest.h"

#include <sstream>

#include "platform/capture/imaging.h"

namespace capturetest {

std::vector<int> FfmpegFrameNumbers(const std::string& path) {
  // Only the corner with the number's blocks, as 32-bit pixels.
  const std::string cmd = "ffmpeg -v error -i '" + path +
                          "' -vf crop=64:64:0:0 -f rawvideo -pix_fmt bgr0 - 2>/dev/null";
  const std::string raw = Shell(cmd);
  std::vector<int> out;
  const size_t frame = 64 * 64 * 4;
  for (size_t at = 0; at + frame <= raw.size(); at += frame) {
    capture::Rgb32Image img{
        64, 64, std::vector<uint8_t>(raw.begin() + long(at), raw.begin() + long(at + frame))};
    auto n = capture::ReadFramePattern(img, 16);  // as drawn at 640x480
    out.push_back(n ? int(*n) : -1);
  }
  return out;
}

void CaptureTest::SetUp() {
  VclTest::SetUp();
  char tmpl[] = "/tmp/corv_capture_XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  dir = tmpl;
  capture::Devices().SetScanSystem(false);
  capture::Devices().ClearAdded();
  capture::Devices().Plan().Clear();
  capture::Devices().ClearSteps();
  vcl::ClearDialogLog();
  // Every box is answered at once; tests read the log.
  vcl::SetDialogResponder([](const vcl::TDialogRequest&) {
    return std::optional<vcl::TDialogAnswer>(vcl::TDialogAnswer{vcl::IDYES});
  });
}

void CaptureTest::TearDown() {
  formOwner.reset();
  capture::Devices().Plan().Clear();
  capture::Devices().ClearAdded();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  VclTest::TearDown();
}

TVideoCapture* CaptureTest::MakeControl(const std::string& camera, const std::string& mic) {
  if (!formOwner) {
    formOwner = std::make_unique<vcl::TForm>(nullptr);
    form = formOwner.get();
    form->SetBounds(10, 10, 400, 300);
    form->Show();
  }
  auto* cap = new TVideoCapture(form);
  cap->SetParent(form);
  cap->SetBounds(10, 10, 320, 240);
  cap->WantAudio = !mic.empty();
  cap->SetCaptureFileName(Path("capture.avi"));
  cap->SetTempCaptureFileName(Path("captemp.avi"));
  // The lists live as long as the program: this test's devices replace the last test's.
  cap->GetVideoDevicesList(true);
  cap->GetAudioDevicesList(true);
  cap->ChooseDevices(camera, mic, true);
  cap->ChooseCompressors("MJPEG Compressor", "", true);
  Pump();
  return cap;
}

}  // namespace capturetest
