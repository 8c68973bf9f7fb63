/* Built against the installed header and library: prints the package and interface versions. */
#include <stdio.h>
#include <vantlink.h>

#ifndef PACKAGE_VERSION
#define PACKAGE_VERSION "none"
#endif

int main(void) {
    printf("%s %d\n", PACKAGE_VERSION, (int)HM_version());
    return 0;
}
