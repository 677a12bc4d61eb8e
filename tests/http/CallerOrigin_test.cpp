#include "http/internal/CallerOrigin.h"

#include <gtest/gtest.h>

namespace fieldsync {
namespace {

TWebRequest RequestFrom(const std::string& peer, std::vector<std::pair<std::string, std::string>> headers) {
  THttpRequestData data;
  data.Method = "GET";
  data.ProtocolVersion = "HTTP/1.1";
  data.RemoteAddr = peer;
  data.Headers = std::move(headers);
  return TWebRequest(std::move(data));
}

TEST(CallerOrigin, LoopbackIsTheThreeFormsTheListenerReports) {
  const std::pair<const char*, bool> cases[] = {
      {"127.0.0.1", true},  {"::1", true},          {"0:0:0:0:0:0:0:1", true}, {"127.0.0.2", false},
      {"192.0.2.2", false}, {"::ffff:127.0.0.1", false}, {"", false},
  };
  for (const auto& [address, loopback] : cases) EXPECT_EQ(IsLoopbackAddress(address), loopback) << address;
}

TEST(CallerOrigin, ForwardingHeadersAndTheAddressForwardedFor) {
  struct TCase {
    const char* Peer;
    std::vector<std::pair<std::string, std::string>> Headers;
    bool Forwarded;
    const char* For;
  };
  const TCase cases[] = {
      {"127.0.0.1", {}, false, ""},
      {"127.0.0.1", {{"X-Forwarded-For", "192.0.2.7"}}, true, "192.0.2.7"},
      {"127.0.0.1", {{"x-forwarded-for", "10.1.1.1, 192.0.2.7 "}}, true, "192.0.2.7"},
      {"::1", {{"X-Forwarded-For", "2001:db8::5"}}, true, "2001:db8::5"},
      {"192.0.2.9", {{"X-Forwarded-For", "10.1.1.1"}}, true, ""},  // not a proxy of this machine
      {"127.0.0.1", {{"Forwarded", "for=192.0.2.7"}}, true, ""},
      {"127.0.0.1", {{"X-Real-IP", "192.0.2.7"}}, true, ""},
      {"127.0.0.1", {{"X-Forwarded-Host", "example"}}, false, ""},
  };
  for (const auto& c : cases) {
    const TWebRequest request = RequestFrom(c.Peer, c.Headers);
    EXPECT_EQ(IsForwarded(request), c.Forwarded) << c.Peer;
    EXPECT_EQ(ForwardedFor(request), c.For) << c.Peer;
  }
}

}  // namespace
}  // namespace fieldsync
