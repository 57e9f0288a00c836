#pragma once

#include <cstddef>
#include <ostream>
#include <string>

namespace tir::tirdex {

// Makes standard output line-buffered wherever it goes (a terminal, a file, a pipe): each line a
// command prints reaches a log file or a reader at once and in order with standard error,
// instead of when the command ends (or never, when it is killed). tirdex calls it first thing.
void FlushEveryLine();

// True when standard output is a terminal.
bool StdoutIsTerminal();

// A JSON text as a person reads it: indented, with every \u escape written as the character it
// stands for, and strings longer than kReadableStringLimit bytes (a photo in Base64) cut there
// with a note of their full length. Text that is not JSON comes back unchanged.
constexpr std::size_t kReadableStringLimit = 1000;
std::string ReadableJson(const std::string& json);

// Prints a JSON answer followed by a newline: readable (ReadableJson) on a terminal, exactly as
// built for a file or a pipe, so that what programs receive does not change.
void PrintJsonAnswer(std::ostream& out, const std::string& json);

}  // namespace tir::tirdex
