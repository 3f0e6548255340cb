/* Built against an installed library with pkg-config: the C face alone. */
#include <corvane/corvane.h>
#include <stdio.h>

int main(void) {
  printf("%s %s\n", corvane_version(), corvane_error_text(258));
  return 0;
}
