// Writes through a null pointer. Run under the test harness's Wine, the process must end
// with a failure status: a crash may never pass as success.
#include <cstdio>

int main() {
  std::puts("crash_probe: writing through a null pointer");
  std::fflush(stdout);
  volatile int* volatile target = nullptr;
  *target = 1;
  return 0;
}
