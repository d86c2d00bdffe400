#include "platform/serial/baud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace serial {
namespace {

struct Standard {
  int baud;
  tcflag_t code;
};

constexpr Standard kStandard[] = {
    {50, B50},         {75, B75},         {110, B110},        {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},        {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},      {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},  {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}};

}  // namespace

int GetLineSpeed(int fd, int& baud) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  baud = static_cast<int>(t.c_ospeed);
  return 0;
}

int SetLineSpeed(int fd, int baud) {
  if (baud <= 0) return EINVAL;
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  tcflag_t code = BOTHER;
  for (const auto& s : kStandard)
    if (s.baud == baud) code = s.code;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= code;
  t.c_ispeed = t.c_ospeed = static_cast<speed_t>(baud);
  if (ioctl(fd, TCSETS2, &t) != 0) return errno;
  return 0;
}

}  // namespace serial
