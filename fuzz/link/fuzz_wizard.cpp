// Arbitrary bytes through the wizard's sentence detection, in pieces whose sizes the input
// chooses: lines stay inside their buffer and every sighting is logged at most once.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "link/commswizard.h"
#include "platform/win/system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static win::SystemScope windows;  // the form's controls and timer
  static const auto wizard = std::make_unique<TWizForm>(nullptr);
  wizard->FormShow(nullptr);
  wizard->fCurrentPort = "COM7";
  const auto* chars = reinterpret_cast<const char*>(data);
  std::size_t pos = 0;
  std::size_t piece = 1;
  while (pos < size) {
    const std::size_t n = piece < size - pos ? piece : size - pos;
    wizard->ReceiveChars(chars + pos, n);
    pos += n;
    piece = piece * 5 % 251 + 1;
  }
  if (wizard->fLineIndex < 0 || wizard->fLineIndex > TWizForm::kLastLinePosition + 1)
    __builtin_trap();
  // Twelve sentence types, each logged once at most (MWV with another reference not at all).
  if (wizard->RichEdit1->Lines()->Count() > 12) __builtin_trap();
  if (wizard->SensorCount() < 0 || wizard->SensorCount() > 5) __builtin_trap();
  if (wizard->fFoundPort != "COM1" && wizard->fFoundPort != "COM7") __builtin_trap();
  return 0;
}
