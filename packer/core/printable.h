// Names and texts from archives and folders as mksfx prints them: a name is
// data, and a terminal must not take any of it for a command.
#pragma once

#include <cstdint>
#include <string>

// `text`, UTF-8, with everything a terminal could act on written out:
//   - the C0 controls U+0000-U+001F and DEL U+007F as \xNN;
//   - the C1 controls U+0080-U+009F (ESC's 8-bit forms, CSI among them)
//     as \uNNNN;
//   - a byte that is not part of well-formed UTF-8 as \xNN.
// Everything else, the backslash included, stands as it is.  With
// `keepLineBreaks` "\n" stays, for messages of several lines.
std::string Printable(const std::string& text, bool keepLineBreaks = false);

// "0x5400": a position in a file, for messages.
std::string Hex(uint64_t value);
