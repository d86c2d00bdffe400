#pragma once
// Line speed through termios2, so that any rate the driver accepts can be set, not only the
// classic table. Kept apart because the kernel's termios2 header clashes with <termios.h>.

namespace serial {

int GetLineSpeed(int fd, int& baud);
int SetLineSpeed(int fd, int baud);

}  // namespace serial
