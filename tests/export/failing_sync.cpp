// SPDX-License-Identifier: MIT
// Loaded into pixolan-export through LD_PRELOAD: every fdatasync() fails, as it can on a full
// disk or a lost network share after all the writes went well.
// With PIXOLAN_FAILING_RENAME=NAME set, fdatasync() succeeds (the data stays cached) and
// rename() onto NAME fails instead.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>

extern "C" int fdatasync(int)
{
    if (std::getenv("PIXOLAN_FAILING_RENAME"))
        return 0;
    errno = EIO;
    return -1;
}

extern "C" int rename(const char *from, const char *to)
{
    const char *failing = std::getenv("PIXOLAN_FAILING_RENAME");
    if (failing && std::strcmp(to, failing) == 0) {
        errno = EACCES;
        return -1;
    }
    return renameat(AT_FDCWD, from, AT_FDCWD, to);
}
