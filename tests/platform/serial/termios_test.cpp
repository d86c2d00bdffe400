#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>

#include <chrono>
#include <thread>

#include "platform/serial/device.h"
#include "platform/serial/names.h"
#include "platform/serial/termiosdevice.h"
#include "tests/platform/serial/pty.h"

int ProbeLineSpeed(int fd);

namespace {

using namespace serial;

std::unique_ptr<Device> OpenOk(const std::string& path) {
  int err = -1;
  auto device = Open(path, err);
  EXPECT_EQ(err, 0) << ErrorText(err);
  return device;
}

std::string ReadAll(Device& d, size_t want) {
  std::string got;
  char buffer[256];
  while (got.size() < want && d.WaitIo(false, 2000) == 0) {
    size_t done = 0;
    if (d.Read(buffer, sizeof buffer, done) != 0) break;
    got.append(buffer, done);
  }
  return got;
}

// A pseudo-terminal whose slave the backend has open.
class TermiosLine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    d = OpenOk(pty.path());
    ASSERT_TRUE(d);
  }
  PtyPair pty;
  std::unique_ptr<Device> d;
};

TEST_F(TermiosLine, OpensRawAndTheFarEndSeesTheSettings) {
  LineSettings s;
  ASSERT_EQ(d->GetSettings(s), 0);
  s.baud = 4800;
  s.dataBits = 8;
  s.parity = Parity::None;
  s.stopBits = StopBits::One;
  ASSERT_EQ(d->SetSettings(s), 0);

  termios t{};
  ASSERT_EQ(tcgetattr(pty.master(), &t), 0);  // a master reports its slave's settings
  EXPECT_EQ(cfgetospeed(&t), B4800);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS));
  EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
  EXPECT_FALSE(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP));
  EXPECT_FALSE(t.c_oflag & OPOST);
  EXPECT_TRUE(t.c_cflag & CREAD);
}

TEST_F(TermiosLine, CarriesSpeedStopBitsAndFlowControlToTheFarEnd) {
  LineSettings s;
  ASSERT_EQ(d->GetSettings(s), 0);
  s.baud = 31250;  // not in the classic table
  s.stopBits = StopBits::Two;
  s.rtsCts = true;
  s.xonOutput = true;
  s.xonInput = true;
  s.xonChar = 1;
  s.xoffChar = 2;
  ASSERT_EQ(d->SetSettings(s), 0);
  EXPECT_EQ(ProbeLineSpeed(pty.master()), 31250);
  termios t{};
  ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_TRUE(t.c_cflag & CRTSCTS);
  EXPECT_TRUE((t.c_iflag & IXON) && (t.c_iflag & IXOFF));
  EXPECT_EQ(t.c_cc[VSTART], 1);
  EXPECT_EQ(t.c_cc[VSTOP], 2);
  LineSettings back;
  ASSERT_EQ(d->GetSettings(back), 0);
  EXPECT_EQ(back, s);

  s.stopBits = StopBits::OneHalf;  // not on Linux: the line keeps its two stop bits
  s.baud = 115200;
  ASSERT_EQ(d->SetSettings(s), 0);
  ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_EQ(cfgetospeed(&t), B115200);
}

TEST(TermiosFlags, DataBitsAndParityIncludingMarkAndSpace) {
  struct Case {
    int bits;
    Parity parity;
    tcflag_t size;
    tcflag_t flags;
  };
  for (const Case& c :
       {Case{5, Parity::None, CS5, 0}, Case{6, Parity::Odd, CS6, PARENB | PARODD},
        Case{7, Parity::Even, CS7, PARENB}, Case{8, Parity::Mark, CS8, PARENB | PARODD | CMSPAR},
        Case{7, Parity::Space, CS7, PARENB | CMSPAR}}) {
    termios t{};
    t.c_cflag = CS8 | PARENB | PARODD | CMSPAR | CLOCAL;
    LineSettings s;
    s.dataBits = c.bits;
    s.parity = c.parity;
    s.checkParity = c.parity != Parity::None;
    ToTermios(s, t);
    EXPECT_EQ(t.c_cflag & CSIZE, c.size);
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.flags);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_EQ((t.c_iflag & INPCK) != 0, s.checkParity);
    LineSettings back;
    FromTermios(t, back);
    EXPECT_EQ(back.dataBits, c.bits);
    EXPECT_EQ(back.parity, c.parity);
  }
  termios t{};
  t.c_cflag = CS7;
  LineSettings s;
  s.dataBits = 4;  // no such size here: the line keeps its own
  ToTermios(s, t);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
}

TEST_F(TermiosLine, BytesPassUntranslatedBothWays) {
  pty.Send("$A\r\n\x11\x13\x03\x7f\xff\r");
  EXPECT_EQ(ReadAll(*d, 10), "$A\r\n\x11\x13\x03\x7f\xff\r");
  const std::string out = "$IIMTW,9.0,C*22\r\n";
  size_t done = 0;
  ASSERT_EQ(d->Write(out.data(), out.size(), done), 0);
  EXPECT_EQ(done, out.size());
  EXPECT_EQ(pty.Receive(out.size()), out);
}

TEST_F(TermiosLine, SecondOpenOfTheSameDeviceIsRefusedUntilTheFirstCloses) {
  int err = 0;
  EXPECT_FALSE(Open(pty.path(), err));
  EXPECT_EQ(err, EBUSY);
  d.reset();
  EXPECT_TRUE(OpenOk(pty.path()));
}

TEST(TermiosOpen, OpenFailsForMissingDevicesNonTerminalsAndNetwork) {
  int err = 0;
  EXPECT_FALSE(Open("/dev/no-such-port", err));
  EXPECT_EQ(err, ENOENT);
  EXPECT_FALSE(Open("/dev/null", err));
  EXPECT_EQ(err, ENOTTY);
  EXPECT_FALSE(Open("Network", err));
  EXPECT_EQ(err, ENOENT);
  EXPECT_FALSE(ErrorText(ENOENT).empty());
}

TEST_F(TermiosLine, QueueCountsAndPurge) {
  pty.Send("12345");
  ASSERT_EQ(d->WaitIo(false, 2000), 0);
  int count = 0;
  for (int i = 0; i < 100 && count < 5; ++i) {
    ASSERT_EQ(d->InputCount(count), 0);
    if (count < 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(count, 5);
  ASSERT_EQ(d->Purge(true, true), 0);
  ASSERT_EQ(d->InputCount(count), 0);
  EXPECT_EQ(count, 0);
  ASSERT_EQ(d->OutputCount(count), 0);
  EXPECT_EQ(count, 0);
  // A pseudo-terminal has no modem lines: asking for them is no error.
  uint32_t bits = 1;
  EXPECT_EQ(d->ModemStatus(bits), 0);
  EXPECT_EQ(bits, 0u);
  EXPECT_EQ(d->SetLines(lineDTR, lineRTS), 0);
  EXPECT_EQ(d->SetBreak(true), 0);
  EXPECT_EQ(d->SetBreak(false), 0);
  EXPECT_EQ(d->Drain(), 0);
}

TEST_F(TermiosLine, EventWaitReportsArrivalsWakesAndOneHangup) {
  d->SetEventMask(evRxChar);
  uint32_t events = 0;
  ASSERT_EQ(d->WaitEvent(events), 0);  // the mask change wakes the wait
  EXPECT_EQ(events, 0u);

  pty.Send("x");
  ASSERT_EQ(d->WaitEvent(events), 0);
  EXPECT_EQ(events, evRxChar);

  std::thread waker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    d->Wake();
  });
  ASSERT_EQ(d->WaitEvent(events), 0);  // the unread byte does not wake it again; Wake does
  EXPECT_EQ(events, 0u);
  waker.join();

  pty.CloseMaster();
  EXPECT_EQ(d->WaitEvent(events), EIO);
  char c;
  size_t done = 0;
  EXPECT_NE(d->Read(&c, 1, done), 0);
}

TEST(TermiosOpen, SocatCanBeTheFarEnd) {
  const std::string dir = testing::TempDir() + "socat-" + std::to_string(getpid());
  ASSERT_EQ(system(("mkdir -p " + dir).c_str()), 0);
  const std::string link = dir + "/port";
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // An echoing far end on a fresh pseudo-terminal.
    execlp("socat", "socat", ("PTY,rawer,link=" + link).c_str(), "EXEC:cat", nullptr);
    _exit(127);
  }
  std::unique_ptr<Device> d;
  for (int i = 0; i < 200 && !d; ++i) {
    int err = 0;
    d = Open(link, err);
    if (!d) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(d) << "socat did not make " << link;
  const std::string line = "$IIMTW,92.3,C*1F\r\n";
  size_t done = 0;
  ASSERT_EQ(d->Write(line.data(), line.size(), done), 0);
  EXPECT_EQ(done, line.size());
  EXPECT_EQ(ReadAll(*d, line.size()), line);
  d.reset();
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  system(("rm -rf " + dir).c_str());
}

}  // namespace
