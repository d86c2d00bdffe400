#include <cstdio>

int main() {
  std::puts("Corvatalen - Sailboat performance package: the main window is not built yet.");
  return 0;
}
