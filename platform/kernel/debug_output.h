// The kernel debug print. Every line a program prints goes to state/logs/<program>.log in the
// device root (and to stderr when DEVICE_DEBUG_STDERR is set). Lines are written whole, so
// threads and processes never interleave inside a line.
#pragma once

#include <string>
#include <string_view>

// Writes text as one or more debug lines; a trailing "\r\n" or "\n" ends the line.
void OutputDebugString(std::string_view text);
// printf-style debug print, as the programs' debug lines are written.
void DebugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

namespace platform {
// The log file of a program in the current device root.
std::string LogPathFor(const std::string& program_name);
}
