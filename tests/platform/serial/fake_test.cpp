#include "platform/serial/fakedevice.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace serial;

TEST(FakeLine, OpensByNameExclusivelyAndOnlyWhileRegistered) {
  auto line = std::make_shared<FakeLine>();
  int err = 0;
  {
    ScopedFake fake("COM7", line);
    auto d = Open("COM7", err);
    ASSERT_TRUE(d);
    EXPECT_TRUE(line->IsOpen());
    EXPECT_FALSE(Open("COM7", err));
    EXPECT_EQ(err, EBUSY);
    d.reset();
    EXPECT_FALSE(line->IsOpen());
    line->FailNext("open", EACCES);
    EXPECT_FALSE(Open("COM7", err));
    EXPECT_EQ(err, EACCES);
    EXPECT_TRUE(Open("COM7", err));
    EXPECT_EQ(line->OpenCount(), 2);
  }
  EXPECT_FALSE(Open("COM7", err));  // back to the machine's own devices
}

TEST(FakeLine, ModemAndLineErrorChangesBecomeEvents) {
  auto line = std::make_shared<FakeLine>();
  ScopedFake fake("fake", line);
  int err = 0;
  auto d = Open("fake", err);
  ASSERT_TRUE(d);
  d->SetEventMask(evCTS | evDSR | evRing | evRLSD | evError | evBreak);
  uint32_t events = 0;
  ASSERT_EQ(d->WaitEvent(events), 0);  // the mask change
  line->SetModem(msCTSOn | msRingOn);
  ASSERT_EQ(d->WaitEvent(events), 0);
  EXPECT_EQ(events, evCTS | evRing);
  uint32_t status = 0;
  ASSERT_EQ(d->ModemStatus(status), 0);
  EXPECT_EQ(status, msCTSOn | msRingOn);
  line->SetModem(msDSROn);
  ASSERT_EQ(d->WaitEvent(events), 0);
  EXPECT_EQ(events, evCTS | evDSR);  // a falling ring line is no ring
  line->InjectLineError(ceFrame | ceBreak);
  ASSERT_EQ(d->WaitEvent(events), 0);
  EXPECT_EQ(events, evError | evBreak);
  uint32_t errors = 0;
  ASSERT_EQ(d->TakeLineErrors(errors), 0);
  EXPECT_EQ(errors, ceFrame | ceBreak);
  ASSERT_EQ(d->TakeLineErrors(errors), 0);
  EXPECT_EQ(errors, 0u);
}

TEST(FakeLine, BoundedOutputGivesShortWritesUntilTransmitted) {
  auto line = std::make_shared<FakeLine>();
  ScopedFake fake("fake", line);
  int err = 0;
  auto d = Open("fake", err);
  ASSERT_TRUE(d);
  line->SetOutputCapacity(8);
  size_t done = 0;
  ASSERT_EQ(d->Write("0123456789", 10, done), 0);
  EXPECT_EQ(done, 8u);
  int queued = 0;
  ASSERT_EQ(d->OutputCount(queued), 0);
  EXPECT_EQ(queued, 8);
  EXPECT_EQ(d->WaitIo(true, 10), ETIMEDOUT);
  line->Transmit(3);
  EXPECT_EQ(d->WaitIo(true, 10), 0);
  ASSERT_EQ(d->Write("89", 2, done), 0);
  EXPECT_EQ(done, 2u);
  EXPECT_EQ(line->TakeWritten(), "0123456789");
}

TEST(FakeLine, ScriptedFailuresAndHangup) {
  auto line = std::make_shared<FakeLine>();
  ScopedFake fake("fake", line);
  int err = 0;
  auto d = Open("fake", err);
  ASSERT_TRUE(d);
  line->FailNext("write", EIO);
  size_t done = 0;
  EXPECT_EQ(d->Write("a", 1, done), EIO);
  EXPECT_EQ(d->Write("a", 1, done), 0);  // only once

  d->SetEventMask(evRxChar);
  uint32_t events = 0;
  ASSERT_EQ(d->WaitEvent(events), 0);
  std::thread far([&] { line->Hangup(); });
  EXPECT_EQ(d->WaitEvent(events), EIO);
  far.join();
  int count = 0;
  EXPECT_EQ(d->InputCount(count), EIO);
}

TEST(FakeLine, EventCharacterAndFullQueueAreSeen) {
  auto line = std::make_shared<FakeLine>();
  ScopedFake fake("fake", line);
  int err = 0;
  auto d = Open("fake", err);
  ASSERT_TRUE(d);
  LineSettings s;
  s.eventChar = '\r';
  ASSERT_EQ(d->SetSettings(s), 0);
  d->SetQueueSizes(10, 10);
  d->SetEventMask(evRxChar | evRxFlag | evRx80Full);
  uint32_t events = 0;
  ASSERT_EQ(d->WaitEvent(events), 0);
  line->Feed("ab");
  ASSERT_EQ(d->WaitEvent(events), 0);
  EXPECT_EQ(events, evRxChar);
  line->Feed("cdefg\r");
  ASSERT_EQ(d->WaitEvent(events), 0);
  EXPECT_EQ(events, evRxChar | evRxFlag | evRx80Full);
}

}  // namespace
