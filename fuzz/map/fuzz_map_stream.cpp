// Map stream records from arbitrary bytes: the first byte picks the order of primitives.
#include <cstddef>
#include <cstdint>

#include "map/earthobject.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  auto memory = std::make_unique<rtl::TMemoryStream>();
  memory->WriteBuffer(data + 1, static_cast<int64_t>(size - 1));
  memory->SetPosition(0);
  TEarthStreamReader reader(std::move(memory));
  try {
    if (data[0] & 0x80) {
      TEarthObject object(nullptr);
      while (true) object.ReadProperties(reader);
    }
    for (unsigned step = data[0];; step = step * 7 + 3) {
      switch (step % 11) {
        case 0:
          reader.ReadBoolean();
          break;
        case 1:
          reader.ReadDouble();
          break;
        case 2:
          reader.ReadWord();
          break;
        case 3:
          reader.ReadShortInt();
          break;
        case 4:
          reader.ReadSmallInt();
          break;
        case 5:
          reader.ReadInteger();
          break;
        case 6:
          reader.ReadShortString();
          break;
        case 7:
          reader.ReadRect();
          break;
        case 8:
          reader.ReadMER();
          break;
        case 9:
          reader.ReadPointLL(step & 1, step & 2);
          break;
        default: {
          uint8_t buf[17];
          reader.ReadBuffer(buf, step % 17);
        }
      }
    }
  } catch (const EEarthException&) {
  }
  return 0;
}
