// The line trace's text, one line per record: the header of a session, a
// burst of bytes one way (time, direction, line speed, count, hex and the
// printable characters), a log line with its colour as a word, and the
// port's events (open, speed, close, failures). Pure functions; any thread.
//
//   # Varnel line trace of COM1, 2024-05-01 14:03:27
//        0.000412 open  /dev/ttyUSB0
//        0.000530 speed 38400
//        0.000610 log   info    Com port opened
//        2.104233 in     38400     1  81  |.|
//        2.104410 out    38400     1  7E  |~|
//        2.104975 out    38400     3  41 54 0D  |AT.|
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>

#include "texts/log_colour.h"

namespace varnel {

// In: from the handset (what the program read); Out: to the handset (what
// it wrote).
enum class TraceDirection { In, Out };

inline constexpr uint64_t kMicrosecondsPerSecond = 1000000;

// The record kinds as the trace names them (the second column).
inline constexpr char kTraceOpen[] = "open";
inline constexpr char kTraceSpeed[] = "speed";
inline constexpr char kTraceClose[] = "close";
inline constexpr char kTraceFailed[] = "fail";
inline constexpr char kTraceWarning[] = "note";

// "# Varnel line trace of `portName`, YYYY-MM-DD HH:MM:SS" and a line end.
std::string TraceHeader(std::string_view portName, const std::tm& localTime);

// One burst: `micros` since the trace began (its first byte), the
// direction, the line speed in bit/s, the count, the bytes in hexadecimal
// and, between bars, each byte as its character when printable ASCII and
// '.' otherwise.
std::string TraceBurst(uint64_t micros, TraceDirection direction, uint32_t baud, std::span<const uint8_t> bytes);

// A log line of the link: its colour as a word (ColourWord) and its text
// (UTF-8) through VisibleText, so every record stays on one line. The
// header's port name and an event's detail go through it too.
std::string TraceLogLine(uint64_t micros, LogColour colour, std::string_view text);

// An event of the port: `kind` (kTraceOpen, ...) and what it concerns.
std::string TraceEvent(uint64_t micros, std::string_view kind, std::string_view detail = {});

// "error" for red lines, "success" green, "detail" grey, "info" black,
// else the colour's value "0xBBGGRR".
std::string ColourWord(LogColour colour);

}  // namespace varnel
