// The command line's arguments on Windows: CommandLineToArgvW of the wide
// command line, each argument in UTF-8, any character kept.
#include "cli/command_line_args.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "files/narrow_path.h"
#include "texts/code_page.h"

namespace varnel::cli {
namespace {

// The list CommandLineToArgvW allocates, freed with it.
struct LocalFreer {
  void operator()(LPWSTR* memory) const { LocalFree(memory); }
};

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  const std::unique_ptr<LPWSTR, LocalFreer> wide(CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::string> args;
  if (wide) {
    for (int i = 1; i < count; ++i) args.push_back(NarrowFromPath(std::filesystem::path(wide.get()[i])));
    return args;
  }
  // Out of memory: the ANSI arguments, in UTF-8 all the same.
  for (int i = 1; i < argc; ++i) args.push_back(ToUtf8(argv[i], GetACP()));
  return args;
}

}  // namespace varnel::cli
