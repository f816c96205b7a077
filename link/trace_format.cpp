// The records of the line trace as text.
#include "link/trace_format.h"

#include <cinttypes>
#include <cstdio>

#include "format/hex_text.h"
#include "texts/visible_text.h"

namespace varnel {
namespace {

// Wide enough for a day of seconds, so the columns after it line up.
constexpr int kSecondsWidth = 6;
constexpr int kKindWidth = 5;
constexpr int kSpeedWidth = 6;
constexpr int kCountWidth = 5;
constexpr int kColourWidth = 7;
constexpr uint8_t kFirstPrintable = 0x20;
constexpr uint8_t kLastPrintable = 0x7E;
constexpr unsigned kNibbleBits = 4;
constexpr uint8_t kNibbleMask = 0x0F;
// "HH:MM:SS" and "YYYY-MM-DD" with their terminator.
constexpr size_t kDateBytes = 32;

std::string Stamp(uint64_t micros) {
  char text[48];
  std::snprintf(text, sizeof text, "%*" PRIu64 ".%06" PRIu64, kSecondsWidth, micros / kMicrosecondsPerSecond,
                micros % kMicrosecondsPerSecond);
  return text;
}

std::string Padded(std::string_view text, size_t width) {
  std::string padded(text);
  if (padded.size() < width) padded.resize(width, ' ');
  return padded;
}

}  // namespace

std::string TraceHeader(std::string_view portName, const std::tm& localTime) {
  char date[kDateBytes];
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &localTime);
  return "# Varnel line trace of " + VisibleText(portName) + ", " + date + "\n";
}

std::string TraceBurst(uint64_t micros, TraceDirection direction, uint32_t baud, std::span<const uint8_t> bytes) {
  char columns[64];
  std::snprintf(columns, sizeof columns, " %-*s %*u %*zu  ", kKindWidth, direction == TraceDirection::In ? "in" : "out",
                kSpeedWidth, baud, kCountWidth, bytes.size());
  std::string line = Stamp(micros) + columns;
  line.reserve(line.size() + bytes.size() * 4 + 4);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) line += ' ';
    line += kHexDigits[bytes[i] >> kNibbleBits];
    line += kHexDigits[bytes[i] & kNibbleMask];
  }
  line += "  |";
  for (uint8_t byte : bytes) {
    line += byte >= kFirstPrintable && byte <= kLastPrintable ? static_cast<char>(byte) : '.';
  }
  line += "|\n";
  return line;
}

std::string TraceLogLine(uint64_t micros, LogColour colour, std::string_view text) {
  return Stamp(micros) + " " + Padded("log", kKindWidth) + " " + Padded(ColourWord(colour), kColourWidth) + " " +
         VisibleText(text) + "\n";
}

std::string TraceEvent(uint64_t micros, std::string_view kind, std::string_view detail) {
  std::string line = Stamp(micros) + " " + Padded(kind, kKindWidth);
  if (!detail.empty()) line += " " + VisibleText(detail);
  return line + "\n";
}

std::string ColourWord(LogColour colour) {
  switch (colour) {
    case kRed: return "error";
    case kGreen: return "success";
    case kGrey: return "detail";
    case kBlack: return "info";
    default: break;
  }
  char word[16];
  std::snprintf(word, sizeof word, "0x%06X", static_cast<unsigned>(colour));
  return word;
}

}  // namespace varnel
