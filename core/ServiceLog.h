#pragma once
// The service's own log: one line per event on standard output, where a
// service manager's journal keeps it. Lines from many threads never mix:
// each is written whole, and flushed at once so that a pipe to the journal
// receives it without waiting for a buffer to fill.

#include <chrono>
#include <string>
#include <string_view>

namespace fieldsync {

// "2026-12-10T15:40:01.123Z": UTC, milliseconds.
std::string LogTimestamp(std::chrono::system_clock::time_point time);

// Writes `line` and a line feed to standard output and flushes.
void WriteLogLine(std::string_view line);

// Writes "<timestamp> <message>" (start, stop and the like).
void LogEvent(std::string_view message);

// `text` with every byte outside the printable ASCII range (controls,
// blanks, 8-bit bytes) written as %XX, so that a field taken from a request
// can neither split a log line nor forge another; "-" when empty, so that
// the line keeps its fields.
std::string LogField(std::string_view text);

}  // namespace fieldsync
