// The region panel's offset and size texts as the transfer requests read
// them: "0x" (a lower-case x, nothing before it), then hexadecimal digits of
// either case up to the first other character; the rest is ignored.
// Qt-free, any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace varnel {

inline constexpr std::string_view kHexPrefix = "0x";

// The value of `text`, or nothing when it lacks the prefix, has no digit
// after it, or its digits exceed 32 bits (only a text longer than the
// boxes allow, from the settings file, can: it is refused rather than cut
// to another address).
std::optional<uint32_t> ScanHexText(std::string_view text);

}  // namespace varnel
