# A toolchain file as embedded SDKs write them: programs and packages are searched for in the
# target's sysroot only, where no build-machine tool lives. The compilers stay the host's, so the
# test can run what it builds.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_FIND_ROOT_PATH "${CMAKE_CURRENT_LIST_DIR}/no-sysroot")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The build machine's converter, as such toolchain files name their host tools.
set(PIXOLAN_EXPORT_EXECUTABLE "$ENV{PIXOLAN_TEST_HOST_TOOL}")
