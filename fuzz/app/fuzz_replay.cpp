// Arbitrary log records (any time stamps, NaN, infinities, huge values) loaded for replay and
// stepped through: the buffer heads stay inside the ring, the position inside the recording, and
// every value shown is a finite number or none (NaN, an empty field), never infinite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/historybuffer.h"
#include "app/mainform.h"
#include "app/replay.h"
#include "platform/win/system.h"

namespace {

constexpr size_t kRecordBytes = 4 + 8 * lvCount;
// Steps of the script: the replay's own jumps, a tick, and the ends.
constexpr std::int32_t kSteps[] = {-3600, -600, -60, -1, 1, 60, 600, 3600, -100000, 100000};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static win::SystemScope windows;
  // One window for every input: building the main window per input would crawl. Thread-local, so
  // that it goes at exit before the docking framework's own per-thread lists it was put in.
  thread_local const auto form = std::make_unique<TForm1>(nullptr);
  if (size < 2) return 0;
  // The first byte: how many records (times 4); the rest records, then steps.
  const size_t wanted = static_cast<size_t>(data[0]) * 4 + 1;
  ++data;
  --size;
  std::vector<TLogRecord> records;
  while (records.size() < wanted && size >= kRecordBytes) {
    TLogRecord r;
    std::memcpy(&r.Timestamp, data, 4);
    // Mostly times of the day, now and then anything.
    if ((r.Timestamp & 0x700000) != 0) r.Timestamp = std::abs(r.Timestamp % 86400);
    std::memcpy(r.Values.data(), data + 4, 8 * lvCount);
    records.push_back(r);
    data += kRecordBytes;
    size -= kRecordBytes;
  }
  const TReplaySeconds laid = LayOutSeconds(records, THistoryBuffer::kCapacity);
  if (laid.Seconds.empty()) return 0;
  if (laid.End - laid.Start + 1 != static_cast<std::int32_t>(laid.Seconds.size())) std::abort();
  form->LoadSeconds(laid);
  form->ReplayStep(-(laid.End - laid.Start));
  for (size_t i = 0; i < size; ++i) {
    form->ReplayStep(kSteps[data[i] % std::size(kSteps)]);
    if (form->fReplayPosition < form->fReplayStart || form->fReplayPosition > form->fReplayEnd)
      std::abort();
    for (const THistoryBuffer* b : {&SpeedOverGroundHistory, &LatitudeHistory, &HeadingHistory})
      if (b->head < 0 || b->head >= THistoryBuffer::kCapacity) std::abort();
    const float shown[] = {form->fSpeedOverGround, form->fLatitude, form->fLongitude,
                           form->fHeading, form->fDepth};
    for (float v : shown)
      if (std::isinf(v)) std::abort();
    if (std::isinf(form->fTrueWindAngle)) std::abort();
  }
  return 0;
}
