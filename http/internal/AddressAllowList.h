#pragma once
// The network allow-list (FIELDSYNC_ALLOW_FROM): the addresses and ranges
// whose connections the listener serves. A connection from any other peer
// is answered 403 as soon as it is accepted, before a byte of its request
// is read. An empty list serves everyone.
//
// The list names the TCP peer: behind a proxy on this machine every peer is
// the proxy, so the proxy's own address must be listed and the proxy does
// its own filtering.

#include <string>
#include <string_view>
#include <vector>

#include "http/internal/Socket.h"

namespace fieldsync {

class TAddressAllowList {
 public:
  static constexpr const char* Variable = "FIELDSYNC_ALLOW_FROM";

  // Entries separated by commas or blanks: an IPv4 or IPv6 address (one
  // host) or a range in CIDR form ("10.8.0.0/16", "fd00::/8"). A malformed
  // entry raises, naming the variable and the entry.
  static TAddressAllowList Parse(std::string_view text);
  // The list that FIELDSYNC_ALLOW_FROM holds; empty when it is unset.
  static TAddressAllowList FromEnvironment();

  bool Empty() const { return FRanges.empty(); }
  // Whether the list serves `peer` (an empty list serves everyone). An IPv4
  // range never matches an IPv6 peer nor the other way round; an IPv4 peer
  // on an IPv6 socket counts as IPv4 (net::PeerAddressBytes).
  bool Allows(const net::TAddress& peer) const;

 private:
  struct TRange {
    net::TAddress Address;
    int PrefixBits = 0;
  };
  std::vector<TRange> FRanges;
};

}  // namespace fieldsync
