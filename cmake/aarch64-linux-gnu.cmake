# Cross build for the board (aarch64 Linux) with Debian's cross compilers and multiarch arm64
# packages; the programs built here run on this machine under qemu's user-mode emulation.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# The cross libc lives in /usr/aarch64-linux-gnu; arm64 packages (libsystemd-dev:arm64, ...) in
# /usr/lib/aarch64-linux-gnu. qemu looks in the -L folder first and falls back to the host paths.
# The arm64 packages bring their own libc6:arm64, which the loader of the -L folder would find
# first through the host's ld.so.cache: a loader and a C library of different builds, and a forked
# child then spins forever. The library path keeps the emulated programs on the cross C library.
set(QUELLARION_TARGET_ROOT /usr/aarch64-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L ${QUELLARION_TARGET_ROOT}
  -E LD_LIBRARY_PATH=${QUELLARION_TARGET_ROOT}/lib)

# Build tools come from the host; libraries, headers and packages only for the target: the
# multiarch folders are picked by CMAKE_LIBRARY_ARCHITECTURE, so x86_64 ones are never seen.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)

# There is no cross pkg-config wrapper; point the host's at the arm64 .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
