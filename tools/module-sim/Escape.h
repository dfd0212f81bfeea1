#pragma once

#include <string>
#include <string_view>

namespace ModuleSim {

// Escapes bytes for one line of the command log: printable ASCII stays as it
// is (a backslash becomes "\\"), CR and LF become "\r" and "\n", every other
// byte "\xNN" with two lower-case hex digits. The result never holds a line
// break, so one command is one log line.
std::string EscapeBytes(std::string_view bytes);

} // namespace ModuleSim
