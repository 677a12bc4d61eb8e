// A program with one fault of each kind the sanitizer builds must catch,
// chosen by its argument; "clean" does nothing wrong. It lets the report gate
// (scripts/sanitizers/run-test.sh) be checked against real reports.
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

volatile int Index = 4;

int HeapOverflow() {
  int *volatile values = new int[4]();
  int value = values[Index];
  delete[] values;
  return value;
}

int UseAfterFree() {
  int *value = new int(1);
  delete value;
  return *value;
}

int SignedOverflow() {
  volatile int big = INT_MAX;
  return big + Index;
}

char *volatile Kept = nullptr;

int Leak() {
  Kept = new char[64];
  std::memset(Kept, 1, 64);
  Kept = nullptr;
  return 0;
}

int DataRace() {
  static int counter = 0;
  std::thread other([] { ++counter; });
  ++counter;
  other.join();
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  const std::string fault = argc > 1 ? argv[1] : "";
  if (fault == "clean") return 0;
  if (fault == "heap-overflow") return HeapOverflow() == 7;
  if (fault == "use-after-free") return UseAfterFree() == 7;
  if (fault == "signed-overflow") return SignedOverflow() == 7;
  if (fault == "leak") return Leak();
  if (fault == "data-race") return DataRace();
  std::fprintf(stderr, "usage: sanitizer_probe clean|heap-overflow|use-after-free|signed-overflow|leak|data-race\n");
  return 2;
}
