// varnel-sim: the simulated handset as a program. Prints the serial device
// (and keeps --link pointing at it) and serves connections until SIGINT or
// SIGTERM, then removes the link and exits 0.
#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/command_line.h"
#include "sim/handset.h"

namespace {

int Serve(varnel::sim::HandsetOptions options) {
  // Block the stop signals in every thread; main takes them with sigwait.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  const std::string linkPath = options.linkPath;
  options.retention = varnel::sim::TranscriptRetention::kDropWritten;
  options.onSlavePath = [linkPath](const std::string& path) {
    std::printf("varnel-sim: serial device %s", path.c_str());
    if (!linkPath.empty()) std::printf(" (link %s)", linkPath.c_str());
    std::printf("\n");
    std::fflush(stdout);
  };
  varnel::sim::Handset handset(std::move(options));
  varnel::sim::StartResult started = handset.Start();
  if (started != varnel::sim::StartResult::kOk) {
    std::fprintf(stderr, "varnel-sim: %s", StartResultText(started));
    if (started == varnel::sim::StartResult::kImageFailed) {
      std::fprintf(stderr, " (%s)", ImageOpenResultText(handset.ImageResult()));
    }
    std::fprintf(stderr, "\n");
    return 1;
  }
  int signal = 0;
  sigwait(&stopSignals, &signal);
  handset.Stop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  varnel::sim::HandsetOptions options;
  std::string error;
  switch (varnel::sim::ParseCommandLine(arguments, &options, &error)) {
    case varnel::sim::CommandLineResult::kHelp: std::fputs(varnel::sim::UsageText(), stdout); return 0;
    case varnel::sim::CommandLineResult::kError:
      std::fprintf(stderr, "varnel-sim: %s\nTry 'varnel-sim --help'.\n", error.c_str());
      return 2;
    case varnel::sim::CommandLineResult::kRun: break;
  }
  return Serve(std::move(options));
}
