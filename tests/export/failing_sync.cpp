// SPDX-License-Identifier: MIT
// Loaded into pixolan-export through LD_PRELOAD: every fdatasync() fails, as it can on a full
// disk or a lost network share after all the writes went well.
#include <cerrno>

extern "C" int fdatasync(int)
{
    errno = EIO;
    return -1;
}
