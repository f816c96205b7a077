// The version numbers come from the build (VARNEL_VERSION_MAJOR .. TWEAK);
// the date and time are the compiler's of this file.
#include "texts/program_version.h"

#include <cstdio>

namespace varnel {
namespace {

constexpr char kVersionFormat[] = "%d.%d.%d.%d";
constexpr char kBuildFormat[] = "%s -- %s";
// Four numbers of at most 10 digits, three points and a NUL.
constexpr size_t kVersionRoom = 48;
// "Mmm dd yyyy", " -- ", "hh:mm:ss" and a NUL, with room to spare.
constexpr size_t kBuildRoom = 32;

}  // namespace

std::string ProgramVersionText() {
  char text[kVersionRoom];
  std::snprintf(text, sizeof text, kVersionFormat, VARNEL_VERSION_MAJOR, VARNEL_VERSION_MINOR, VARNEL_VERSION_PATCH,
                VARNEL_VERSION_TWEAK);
  return text;
}

std::string BuildText() {
  char text[kBuildRoom];
  std::snprintf(text, sizeof text, kBuildFormat, __DATE__, __TIME__);
  return text;
}

}  // namespace varnel
