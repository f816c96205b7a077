// CliSessionTest: varnel-cli sessions run in this process against the
// simulated handset, with what they printed kept for the test.
#pragma once

#include <cstdio>
#include <string>

#include "cli/cli_session.h"
#include "tests/handset_fixture.h"

namespace varnel::testing {

class CliSessionTest : public HandsetTest {
 protected:
  // Runs a session with the package of the test's folder unless `options`
  // names one, and keeps what it printed in `printed`.
  int RunCli(cli::CliOptions options) {
    if (options.package.empty()) options.package = (dir / "Varnel.res").string();
    return RunCliAs(app, options);
  }

  // Runs a session of `runner` as the command line gives it, on the
  // handset's port unless `options` names another than the default.
  int RunCliAs(const Application& runner, cli::CliOptions options) {
    if (options.port == cli::CliOptions{}.port) options.port = handset->SlavePath();
    std::FILE* stream = std::tmpfile();
    int exitStatus = cli::RunSession(options, runner, stream);
    std::rewind(stream);
    printed.clear();
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) printed.append(buffer, n);
    std::fclose(stream);
    return exitStatus;
  }

  static cli::CliOptions Dump(const std::filesystem::path& file) {
    cli::CliOptions options;
    options.operation = cli::Operation::Dump;
    options.offset = kBank2Base;
    options.size = 0x6000;
    options.file = file.string();
    return options;
  }

  std::string printed;
};

}  // namespace varnel::testing
