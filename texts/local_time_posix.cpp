// LocalTime with the re-entrant POSIX call.
#include "texts/local_time.h"

namespace varnel {

std::tm LocalTime(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return local;
}

}  // namespace varnel
