// varnel-make-package: writes a loader package of our own, with made-up
// stand-in code, for tests and demos against the simulated handset.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/package_builder.h"

namespace {

constexpr uint32_t kDefaultStageOne = 300;
constexpr uint32_t kDefaultChunk = 5000;
constexpr uint32_t kDefaultSeed = 1;

constexpr char kUsage[] = R"(Usage: varnel-make-package [OPTION]...
Writes a loader package: a 9-byte header "VARNELSIM", stage one with its
16-bit length, then 16-bit length and chunk pairs, all stand-in bytes made
from the seed (the same options always give the same file).

  --stage-one N      bytes of stage one (default 300, at most 65535)
  --chunks A,B,...   sizes of the stage-two chunks (default 5000; each at
                     most 65535; an empty list gives no chunk)
  --seed N           seed of the stand-in bytes (default 1)
  -o, --output PATH  file to write (default Varnel.res)
  -h, --help         show this text
)";

std::optional<uint32_t> Number(std::string_view text) {
  uint32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::vector<uint32_t>> NumberList(std::string_view text) {
  std::vector<uint32_t> values;
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::optional<uint32_t> value = Number(text.substr(0, comma));
    if (!value) return std::nullopt;
    values.push_back(*value);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  return values;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "varnel-make-package: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t stageOne = kDefaultStageOne;
  std::vector<uint32_t> chunks{kDefaultChunk};
  uint32_t seed = kDefaultSeed;
  std::string output = "Varnel.res";
  for (int i = 1; i < argc; ++i) {
    std::string_view name = argv[i];
    if (name == "-h" || name == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 == argc) return Fail(std::string(name) + " needs a value (see --help)");
    std::string_view value = argv[++i];
    std::optional<uint32_t> number = Number(value);
    if (name == "--stage-one" && number) {
      stageOne = *number;
    } else if (name == "--seed" && number) {
      seed = *number;
    } else if (name == "--chunks" && NumberList(value)) {
      chunks = *NumberList(value);
    } else if (name == "-o" || name == "--output") {
      output = value;
    } else {
      return Fail("bad option " + std::string(name) + " " + std::string(value));
    }
  }
  varnel::sim::PackageContents contents = varnel::sim::MakeStandInPackage(stageOne, chunks, seed);
  varnel::sim::PackageResult result = WritePackageFile(output, contents);
  if (result != varnel::sim::PackageResult::kOk) {
    return Fail(output + ": " + varnel::sim::PackageResultText(result));
  }
  return 0;
}
