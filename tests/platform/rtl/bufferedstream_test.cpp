// The buffered stream against a plain file stream doing the same reads, writes and seeks.
#include "platform/rtl/bufferedstream.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "test_helpers.h"

using namespace rtl;

TEST(BufferedStream, DoesWhatThePlainFileDoesWhateverTheMixOfCalls) {
  TempDir dir;
  const std::string plainName = dir / "plain.bin", bufferedName = dir / "buffered.bin";
  std::mt19937 random(36);
  for (int64_t bufferSize : {16, 1000}) {
    TFileStream plain(plainName, fmCreate);
    TBufferedStream buffered(std::make_unique<TFileStream>(bufferedName, fmCreate), bufferSize);
    for (int step = 0; step < 4000; ++step) {
      const int op = static_cast<int>(random() % 6);
      const auto count = static_cast<int64_t>(random() % (op == 5 ? 100 : 40));
      if (op <= 1) {
        std::vector<uint8_t> a(static_cast<size_t>(count)), b(a.size());
        ASSERT_EQ(buffered.Read(a.data(), count), plain.Read(b.data(), count)) << step;
        ASSERT_EQ(a, b) << step;
      } else if (op <= 3) {
        std::vector<uint8_t> bytes(static_cast<size_t>(count));
        for (uint8_t& v : bytes) v = static_cast<uint8_t>(random());
        ASSERT_EQ(buffered.Write(bytes.data(), count), plain.Write(bytes.data(), count)) << step;
      } else if (op == 4) {
        const auto origin = static_cast<TSeekOrigin>(random() % 3);
        const int64_t offset =
            origin == soBeginning ? count : static_cast<int64_t>(random() % 41) - 30;
        const int64_t size = plain.Size();
        const int64_t here = plain.Position();
        const int64_t target =
            origin == soBeginning ? offset : (origin == soCurrent ? here : size) + offset;
        if (target < 0) continue;
        ASSERT_EQ(buffered.Seek(offset, origin), plain.Seek(offset, origin)) << step;
      } else {
        ASSERT_EQ(buffered.Position(), plain.Position()) << step;
        ASSERT_EQ(buffered.Size(), plain.Size()) << step;
      }
    }
    buffered.FlushBuffer();
    EXPECT_EQ(Slurp(bufferedName), Slurp(plainName)) << bufferSize;
  }
}

TEST(BufferedStream, AWriteThatCannotBeMadeRaisesWhenFlushed) {
  TBufferedStream full(std::make_unique<TFileStream>("/dev/full", fmOpenWrite));
  EXPECT_EQ(full.Write("abc", 3), 3);  // in the buffer so far
  EXPECT_THROW(full.FlushBuffer(), EWriteError);
}
