#include "http/internal/AddressAllowList.h"

#include <gtest/gtest.h>

#include "core/Error.h"

namespace fieldsync {
namespace {

net::TAddress Address(const std::string& text) {
  const auto address = net::ParseAddress(text);
  if (!address) throw std::runtime_error("not an address: " + text);
  return *address;
}

TEST(AddressAllowList, ServesTheListedAddressesAndRanges) {
  const TAddressAllowList list = TAddressAllowList::Parse("10.8.0.0/16, 192.168.1.7 fd00:1::/32,2001:db8::5 ,172.16.0.0/12");
  struct TCase {
    const char* Peer;
    bool Allowed;
  };
  const TCase cases[] = {
      {"10.8.0.0", true},      {"10.8.255.255", true},  {"10.9.0.0", false},       {"10.7.255.255", false},
      {"192.168.1.7", true},   {"192.168.1.8", false},  {"172.31.255.1", true},    {"172.32.0.1", false},
      {"fd00:1::1", true},     {"fd00:1:ffff::", true}, {"fd00:2::1", false},      {"2001:db8::5", true},
      {"2001:db8::6", false},  {"::ffff:10.8.0.1", false},  // an IPv6 peer never matches an IPv4 range
  };
  for (const TCase& c : cases) EXPECT_EQ(list.Allows(Address(c.Peer)), c.Allowed) << c.Peer;
}

TEST(AddressAllowList, RangesOfOddLengthsAndTheEdges) {
  const TAddressAllowList list = TAddressAllowList::Parse("203.0.113.64/27 0.0.0.0/0");
  EXPECT_TRUE(list.Allows(Address("1.2.3.4"))) << "/0 takes every IPv4 peer";
  EXPECT_FALSE(list.Allows(Address("::1"))) << "but no IPv6 one";
  const TAddressAllowList odd = TAddressAllowList::Parse("203.0.113.64/27,fe80::/10");
  EXPECT_TRUE(odd.Allows(Address("203.0.113.95")));
  EXPECT_FALSE(odd.Allows(Address("203.0.113.96")));
  EXPECT_FALSE(odd.Allows(Address("203.0.113.63")));
  EXPECT_TRUE(odd.Allows(Address("febf::1")));
  EXPECT_FALSE(odd.Allows(Address("fec0::1")));
}

TEST(AddressAllowList, AnEmptyListServesEveryone) {
  for (const char* text : {"", " ", ", ,"}) {
    const TAddressAllowList list = TAddressAllowList::Parse(text);
    EXPECT_TRUE(list.Empty()) << text;
    EXPECT_TRUE(list.Allows(Address("198.51.100.1")));
  }
}

TEST(AddressAllowList, RefusesAMalformedEntryByName) {
  for (const char* entry : {"10.0.0.0/33", "::/129", "10.0.0/8", "10.0.0.1/", "10.0.0.1/x", "host.example", "/8",
                            "10.0.0.1/-1", "10.0.0.1/0008"}) {
    try {
      TAddressAllowList::Parse(std::string("127.0.0.1,") + entry);
      ADD_FAILURE() << entry;
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("FIELDSYNC_ALLOW_FROM must list IPv4 or IPv6 addresses or ranges (address/length), not \"") +
                    entry + "\"");
    }
  }
}

}  // namespace
}  // namespace fieldsync
