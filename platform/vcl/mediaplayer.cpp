#include "platform/vcl/mediaplayer.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/blit.h"
#include "platform/win/paint.h"

namespace vcl {

TMediaPlayer::TMediaPlayer(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {}

TMediaPlayer::~TMediaPlayer() = default;

void TMediaPlayer::Open() {
  try {
    reader_ = std::make_unique<capture::AviReader>(fileName_);
  } catch (const capture::EAviError& e) {
    reader_.reset();
    throw EMCIDeviceError(e.what());
  }
  position_ = 0;
  Show();
}

void TMediaPlayer::Close() {
  reader_.reset();
}

int TMediaPlayer::Length() const {
  return reader_ ? reader_->FrameCount() : 0;
}

double TMediaPlayer::FrameRate() const {
  return reader_ ? reader_->FrameRate() : 0;
}

void TMediaPlayer::SetPosition(int frame) {
  if (!reader_) return;
  position_ = std::clamp(frame, 0, std::max(0, Length() - 1));
  Show();
}

void TMediaPlayer::SeekSeconds(double seconds) {
  SetPosition(int(std::lround(seconds * FrameRate())));
}

void TMediaPlayer::Step() {
  SetPosition(position_ + frames_);
}

void TMediaPlayer::Back() {
  SetPosition(position_ - frames_);
}

std::optional<capture::Rgb32Image> TMediaPlayer::CurrentImage() {
  if (!reader_ || Length() == 0) return std::nullopt;
  try {
    return reader_->DecodeFrame(position_);
  } catch (const capture::EAviError&) {
    return std::nullopt;
  }
}

void TMediaPlayer::Show() {
  if (!display_ || !display_->HandleAllocated()) return;
  const auto img = CurrentImage();
  if (!img) return;
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = img->width;
  info.bmiHeader.biHeight = -img->height;
  info.bmiHeader.biBitCount = 32;
  const win::HWND wnd = display_->Handle();
  gdi::HDC dc = win::GetDC(wnd);
  gdi::StretchDIBits(dc, 0, 0, display_->ClientWidth(), display_->ClientHeight(), 0, 0, img->width,
                     img->height, img->pixels.data(), &info, gdi::DIB_RGB_COLORS, gdi::SRCCOPY);
  win::ReleaseDC(wnd, dc);
}

void TMediaPlayer::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  rtl::TComponent::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == display_) display_ = nullptr;
}

}  // namespace vcl
