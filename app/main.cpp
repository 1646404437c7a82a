#include <cstdio>

int main() {
  std::puts("Quorix: the window is not built yet; the render engine is tested by the test suite.");
  return 0;
}
