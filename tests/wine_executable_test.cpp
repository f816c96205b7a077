// The Windows executables as files: each imports only DLLs every Windows
// has (static Qt, C++ runtime, libgcc and threads inside), varnel-cli.exe
// is a console program and Varnel.exe a window program, and Varnel.exe
// carries the program's icon and its version record as Windows resources.
#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "tests/wine_session.h"

namespace varnel::testing {
namespace {

// The DLLs every Windows 10 or 11 has (with the API sets Qt's windows
// platform asks for); anything else would have to be shipped.
// Blank-separated, in lower case.
constexpr std::string_view kSystemDlls =
    "advapi32.dll api-ms-win-core-synch-l1-2-0.dll api-ms-win-core-winrt-l1-1-0.dll "
    "api-ms-win-core-winrt-string-l1-1-0.dll authz.dll comdlg32.dll d3d11.dll d3d9.dll dwmapi.dll dwrite.dll "
    "dxgi.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll netapi32.dll ntdll.dll ole32.dll oleaut32.dll "
    "setupapi.dll shcore.dll shell32.dll shlwapi.dll ucrtbase.dll user32.dll userenv.dll uxtheme.dll "
    "version.dll winmm.dll ws2_32.dll wtsapi32.dll";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The values of every line of `text` that holds `key`, up to the line's end.
std::vector<std::string> Values(const std::string& text, std::string_view key) {
  std::vector<std::string> values;
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
    const size_t start = at + key.size();
    std::string value = text.substr(start, text.find('\n', start) - start);
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) value.pop_back();
    values.push_back(value);
  }
  return values;
}

TEST(WineExecutableTest, EachNeedsSystemDllsOnlyAndHasItsSubsystem) {
  struct Case {
    const char* program;
    const char* subsystem;  // as objdump names it
  };
  constexpr std::array<Case, 2> kCases = {{
      {VARNEL_WINDOWS_CLI, "(Windows CUI)"},
      {VARNEL_WINDOWS_GUI, "(Windows GUI)"},
  }};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.program);
    const CommandOutput headers = RunCommand(std::string(VARNEL_OBJDUMP) + " -p '" + c.program + "'");
    ASSERT_TRUE(headers.ok);
    const std::vector<std::string> dlls = Values(headers.text, "DLL Name: ");
    ASSERT_FALSE(dlls.empty());
    for (const std::string& dll : dlls) {
      EXPECT_NE((" " + std::string(kSystemDlls) + " ").find(" " + Lower(dll) + " "), std::string::npos) << dll;
    }
    const std::vector<std::string> subsystem = Values(headers.text, "Subsystem\t\t");
    ASSERT_EQ(subsystem.size(), 1u);
    EXPECT_NE(subsystem[0].find(c.subsystem), std::string::npos) << subsystem[0];
  }
}

TEST(WineExecutableTest, TheWindowProgramCarriesItsIconAndVersion) {
  const CommandOutput resources =
      RunCommand(std::string(VARNEL_WINDRES) + " --output-format=rc '" + VARNEL_WINDOWS_GUI + "'");
  ASSERT_TRUE(resources.ok);
  // Icon group 1, the one Windows shows, with an icon for each drawn size.
  EXPECT_NE(resources.text.find("\n1 14 /* RT_GROUP_ICON */"), std::string::npos);
  EXPECT_EQ(Values(resources.text, " 3 /* RT_ICON */").size(), size_t{VARNEL_ICON_SIZE_COUNT});
  const std::string version = std::string("\"") + VARNEL_PROJECT_VERSION + "\"";
  EXPECT_EQ(Values(resources.text, "VALUE \"FileVersion\", "), std::vector<std::string>{version});
  EXPECT_EQ(Values(resources.text, "VALUE \"ProductName\", "), std::vector<std::string>{"\"Varnel\""});
}

}  // namespace
}  // namespace varnel::testing
