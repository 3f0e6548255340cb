// Built against an installed library with find_package: both faces from C++.
#include <corvane/corvane.h>
#include <corvane32/corvane32.h>

#include <iostream>

int main() {
  std::cout << corvane_version() << ' ' << TransferErrorText(258) << '\n';
  return 0;
}
