// The lines a job of several transfers adds to the log: when it was taken
// (for its manifest), and its average over all its parts, after each part
// has had its own. Qt-free; the front end's thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

#include "link/link_owner.h"
#include "texts/application.h"

namespace varnel {

// "YYYY-MM-DD HH:MM:SS" in local time.
std::string JobDateTime(std::time_t when);

// "All parts: time elapsed M:SS, average rate 45.0 KiB/s" in grey, for
// `bytes` moved since `started`.
void LogJobAverage(const Application& app, LinkOwner& log, std::chrono::steady_clock::time_point started,
                   uint64_t bytes);

}  // namespace varnel
