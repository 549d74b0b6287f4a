#include <cstdio>

int main() {
  std::puts("The main window is not built yet; run tools/test for the tests.");
  return 0;
}
