// Default paths that differ between platforms; each platform's file
// implements this header and CMake compiles one of them. Any thread.
#pragma once

#include <string>

namespace varnel {

// The file name the flash and dump pages start with before the user picks
// one: "c:\dump.bin" on Windows, dump.bin in the user's home directory on
// POSIX (a relative dump.bin when no home directory is known).
std::string DefaultDumpFileName();

}  // namespace varnel
