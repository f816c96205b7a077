// varnel-cli: connect, dump and flash from the command line, on the same
// core as the window, for scripted backups and for testing without a display.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_line_args.h"
#include "cli/port_listing.h"
#include "cli/terminal.h"
#include "texts/application.h"
#include "texts/code_page.h"
#include "texts/user_dirs.h"
#include "texts/visible_text.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args = varnel::cli::CommandLineArguments(argc, argv);
  varnel::cli::CliOptions options;
  bool help = false;
  std::string error;
  if (!varnel::cli::ParseCliOptions(args, &options, &help, &error)) {
    // The error quotes the arguments, which may hold anything.
    varnel::cli::WriteText(stderr, "varnel-cli: " + varnel::VisibleText(error) + "\n\n" + varnel::cli::CliUsage());
    return varnel::cli::kExitUsage;
  }
  if (help) {
    std::fputs(varnel::cli::CliUsage().c_str(), stdout);
    return varnel::cli::kExitOk;
  }
  // The settings file (and its port map) is the window's: Varnel.ini, found
  // as the window finds it, and so is the loader package.
  varnel::Application app("Varnel", varnel::SystemCodePage(), varnel::LanguageModuleDirs(argv[0]),
                          varnel::UserConfigDir());
  if (options.operation == varnel::cli::Operation::Ports) {
    const std::string listing = varnel::cli::PortListing(varnel::DeviceRoots{}, app.SettingsPath());
    if (listing.empty()) {
      varnel::cli::WriteText(stderr,
                             "varnel-cli: " + app.ToDisplay(app.Text(varnel::text::kNoSerialDeviceFound)) + "\n");
    }
    std::fputs(listing.c_str(), stdout);
    return varnel::cli::kExitOk;
  }
  varnel::cli::CatchInterrupts();
  const int status = varnel::cli::RunSession(options, app, stderr);
  varnel::cli::SessionEnded();
  return status;
}
