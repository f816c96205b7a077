// The one sanitiser for text from outside (file and port names, device and
// process names, the handset's bytes, a language module's texts) on its way
// to the log, the terminal, the line trace or a listing: whatever it holds,
// it shows as one line of plain characters that can neither end the line,
// start another nor drive a terminal. Pure; any thread.
#pragma once

#include <string>
#include <string_view>

namespace varnel {

// `utf8` with every character that could break a line or act on a
// terminal shown as a visible escape: the C0 controls as "\n", "\r", "\t"
// or "\x1b" (two lower-case hex digits), DEL as "\x7f", the C1 controls
// (U+0080..U+009F) and the line, paragraph and text-direction controls
// (U+2028, U+2029, U+202A..U+202E, U+2066..U+2069) as "\u0085", and each
// byte that is not part of well-formed UTF-8 as "\xff". Everything else,
// the backslash included, stays as it is.
std::string VisibleText(std::string_view utf8);

}  // namespace varnel
