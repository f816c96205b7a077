// One varnel-cli invocation: open the port, wait for the handset, connect,
// run the operation, disconnect, close. Returns the exit status: 0 only
// when everything asked for was done and confirmed.
#pragma once

#include <cstdio>

#include "cli/cli_options.h"
#include "texts/application.h"

namespace varnel::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int RunSession(const CliOptions& options, const Application& app, std::FILE* stream);

}  // namespace varnel::cli
