# Cross build for 64-bit Arm Linux with Debian's crossbuild-essential-arm64 and the :arm64
# libraries (libpng-dev:arm64, zlib1g-dev:arm64, libgtest-dev:arm64), which sit beside the
# build machine's own under /usr/lib/aarch64-linux-gnu.
#
# The arm64 preset also links everything statically (QUELMAR_STATIC): qemu-user, which runs the
# programs on an x86-64 machine, hangs when a dynamically linked arm64 program starts a thread,
# while a static one runs.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Libraries and package files are found in the multiarch folder, never the build machine's.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# CTest and GoogleTest's test discovery run the test programs through the emulator.
find_program(QUELMAR_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(QUELMAR_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUELMAR_QEMU_AARCH64})
endif()
