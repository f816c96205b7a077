// Hexadecimal texts: the digits the program writes bytes with, and the
// texts both front ends read (the region panel's offset and size,
// varnel-cli's OFFSET and SIZE): "0x" or "0X", then one to eight
// hexadecimal digits of either case, blanks around the whole ignored.
// Anything else is refused, so a mistyped text never turns into an address
// nobody asked for. Qt-free, any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace varnel {

// The digits, upper case, as S-records and the line trace write bytes.
inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// The most hexadecimal digits a region text may carry: 32 bits.
inline constexpr size_t kMaxHexDigits = 8;

// The value of `text`, or nothing when it is not a complete hexadecimal
// number: no prefix (a bare "2500000" could be meant as decimal), no digit,
// more than kMaxHexDigits digits, or any other character before, between or
// after them (blanks around the number excepted).
std::optional<uint32_t> ScanHexText(std::string_view text);

}  // namespace varnel
