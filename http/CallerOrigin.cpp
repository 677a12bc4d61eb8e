#include "http/internal/CallerOrigin.h"

#include "core/Text.h"

namespace fieldsync {

namespace {

constexpr const char* LoopbackAddresses[] = {"127.0.0.1", "0:0:0:0:0:0:0:1", "::1"};
constexpr const char* ForwardingHeaders[] = {"X-Forwarded-For", "Forwarded", "X-Real-IP"};

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool HasHeader(const TWebRequest& request, std::string_view name) {
  for (const auto& header : request.Data().Headers)
    if (SameTextAscii(header.first, name)) return true;
  return false;
}

}  // namespace

bool IsLoopbackAddress(std::string_view address) {
  for (const char* loopback : LoopbackAddresses)
    if (address == loopback) return true;
  return false;
}

bool IsForwarded(const TWebRequest& request) {
  for (const char* name : ForwardingHeaders)
    if (HasHeader(request, name)) return true;
  return false;
}

std::string ForwardedFor(const TWebRequest& request) {
  if (!IsLoopbackAddress(request.RemoteAddr())) return {};
  const std::string list = request.GetFieldByName("X-Forwarded-For");
  const size_t comma = list.rfind(',');
  return std::string(Trim(comma == std::string::npos ? std::string_view(list) : std::string_view(list).substr(comma + 1)));
}

}  // namespace fieldsync
