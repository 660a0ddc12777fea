/* fsync failing with EIO while the environment variable TOVREL_TEST_FSYNC_EIO is "1"; otherwise
   the C library's own. Preloaded by the tests of the file that must not take its name when the
   disk refuses to sync it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>

int fsync(int fd)
{
    const char *failing = getenv("TOVREL_TEST_FSYNC_EIO");
    if (failing && strcmp(failing, "1") == 0) {
        errno = EIO;
        return -1;
    }
    int (*real)(int) = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
    return real ? real(fd) : -1;
}
