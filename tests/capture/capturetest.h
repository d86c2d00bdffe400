#pragma once
// The fixture of the capture tests: the class library's fixture with synthetic devices registered,
// a form holding a capture control, a private directory for the files, and ffprobe/ffmpeg as the
// independent readers of what was written.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "capture/vcap.h"
#include "platform/capture/synthetic.h"
#include "platform/vcl/forms.h"
#include "tests/platform/capture/shell.h"
#include "tests/platform/vcl/vcltest.h"

namespace capturetest {

using ::Shell;

// The frame numbers ffmpeg decodes from the file, in order (-1 where a frame carries none).
std::vector<int> FfmpegFrameNumbers(const std::string& path);

class CaptureTest : public vcltest::VclTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A capture control on a shown form, capturing into dir/<name>, devices chosen.
  TVideoCapture* MakeControl(const std::string& camera = "Test Camera",
                             const std::string& mic = "");
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  std::filesystem::path dir;
  vcl::TForm* form = nullptr;
  std::unique_ptr<vcl::TForm> formOwner;
};

}  // namespace capturetest
