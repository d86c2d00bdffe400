#pragma once
// Motion JPEG through libjpeg: every frame a full JPEG image.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/capture/imaging.h"

namespace capture {

class MjpegEncoder {
 public:
  explicit MjpegEncoder(int quality = 75);
  ~MjpegEncoder();
  MjpegEncoder(const MjpegEncoder&) = delete;
  MjpegEncoder& operator=(const MjpegEncoder&) = delete;

  int Quality() const { return quality_; }
  void SetQuality(int q);
  // The JPEG image into `out` (reused between frames); false when libjpeg failed.
  bool Encode(const Rgb32Image& image, std::vector<uint8_t>& out);

 private:
  struct State;
  std::unique_ptr<State> state_;
  int quality_;
};

// Decodes one JPEG image; nothing for data that is not a whole JPEG image, or (with a width) an
// image of another size, which is refused before any memory is taken for it.
std::optional<Rgb32Image> DecodeJpeg(const uint8_t* data, size_t size, int width = 0,
                                     int height = 0);

}  // namespace capture
