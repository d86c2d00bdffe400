#pragma once
// The media player: opens an AVI file written by the capture layer and steps through its frames,
// showing the current one in a display control. Positions count frames from 0.
#include <memory>
#include <optional>
#include <string>

#include "platform/capture/avireader.h"
#include "platform/rtl/classes.h"
#include "platform/vcl/controls.h"

namespace vcl {

enum TMPModes { mpNotReady, mpStopped, mpPlaying, mpRecording, mpSeeking, mpPaused, mpOpen };

class EMCIDeviceError : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

class TMediaPlayer : public rtl::TComponent {
 public:
  explicit TMediaPlayer(rtl::TComponent* AOwner);
  ~TMediaPlayer() override;

  std::string FileName() const { return fileName_; }
  void SetFileName(const std::string& v) { fileName_ = v; }
  // Opens FileName (raises EMCIDeviceError when it is no readable AVI file) at frame 0.
  void Open();
  void Close();
  TMPModes Mode() const { return reader_ ? mpOpen : mpNotReady; }
  // Kept for the callers that set it: every command here completes before it returns.
  bool Wait = false;
  // How many frames Step and Back move.
  int Frames() const { return frames_; }
  void SetFrames(int v) { frames_ = v < 1 ? 1 : v; }
  void Step();
  void Back();
  int Position() const { return position_; }
  // Clamped to the file's frames.
  void SetPosition(int frame);
  // The frame shown at a time into the file: seconds x the file's rate.
  void SeekSeconds(double seconds);
  int Length() const;
  double FrameRate() const;
  // The image of the current frame (nothing when closed or undecodable).
  std::optional<capture::Rgb32Image> CurrentImage();
  TWinControl* Display() const { return display_; }
  void SetDisplay(TWinControl* v) {
    display_ = v;
    if (v) v->FreeNotification(this);
  }

 protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

 private:
  void Show();

  std::string fileName_;
  std::unique_ptr<capture::AviReader> reader_;
  int frames_ = 1;
  int position_ = 0;
  TWinControl* display_ = nullptr;
};

}  // namespace vcl
