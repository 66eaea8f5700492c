#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zorvex {

// Splits a command line into arguments the way a Windows program's start-up
// code does, because emu.cfg lines are written for that convention:
// - arguments are separated by blanks (space, tab) outside double quotes;
// - the first token is the program: a double quote toggles quoting and is
//   dropped, backslashes are plain characters (so "C:\Program Files\x" works);
// - in the other arguments, 2n backslashes before a double quote give n
//   backslashes and the quote toggles quoting; 2n+1 backslashes before it give
//   n backslashes and a literal quote; backslashes before anything else are
//   plain; inside quotes, "" gives one literal quote;
// - a quoted empty text ("") is an empty argument.
// No other character is special: the pieces go straight to the new process,
// never through a shell.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The text that SplitCommandLine reads back as the one argument arg (never the
// program token). Text without blanks or double quotes stays as it is, so the
// usual command lines keep their plain form; anything else is quoted, so a
// ROM path with a blank reaches the emulator whole.
std::string QuoteArgument(std::string_view arg);

}  // namespace zorvex
