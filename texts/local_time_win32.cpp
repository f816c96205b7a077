// LocalTime with the secure CRT call.
#include "texts/local_time.h"

namespace varnel {

std::tm LocalTime(std::time_t when) {
  std::tm local{};
  localtime_s(&local, &when);
  return local;
}

}  // namespace varnel
