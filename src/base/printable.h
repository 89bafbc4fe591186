// Text for a message: a file's name or a word out of a damaged file may hold
// any bytes, and a terminal acts on its control bytes. Messages quote such
// text only through here.
#pragma once

#include <string>
#include <string_view>

// `text` with every byte that is not printable text written as \xHH: control
// bytes (C0, DEL and the C1 range) and bytes that are not well-formed UTF-8.
// Printable ASCII and well-formed UTF-8 (the game's own Japanese messages)
// stay as they are.
std::string Printable(std::string_view text);
// The same for a message of several lines: its line breaks stay.
std::string PrintableLines(std::string_view text);
