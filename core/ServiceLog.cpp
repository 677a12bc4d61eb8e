#include "core/ServiceLog.h"

#include <cstdio>
#include <ctime>
#include <mutex>

#include "core/Platform.h"

namespace fieldsync {

namespace {

std::mutex outputLock;

}  // namespace

std::string LogTimestamp(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto sinceEpoch = time.time_since_epoch();
  const auto secs = floor<seconds>(sinceEpoch);
  const auto millis = duration_cast<milliseconds>(sinceEpoch - secs).count();
  const std::time_t t = static_cast<std::time_t>(secs.count());
  std::tm utc{};
  UtcBreakdown(t, utc);  // any time, before 1970 too
  char text[96];  // room for any int in every field, though gmtime_r gives small ones
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(millis));
  return text;
}

void WriteLogLine(std::string_view line) {
  std::string whole;
  whole.reserve(line.size() + 1);
  whole.append(line).push_back('\n');
  std::lock_guard guard(outputLock);
  std::fwrite(whole.data(), 1, whole.size(), stdout);
  std::fflush(stdout);
}

void LogEvent(std::string_view message) {
  std::string line = LogTimestamp(std::chrono::system_clock::now());
  line.push_back(' ');
  line.append(message);
  WriteLogLine(line);
}

std::string LogField(std::string_view text) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  if (text.empty()) return "-";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(Hex[byte >> 4]);
      out.push_back(Hex[byte & 0x0F]);
    }
  }
  return out;
}

}  // namespace fieldsync
