#include "http/internal/AddressAllowList.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Platform.h"
#include "http/internal/HttpMessages.h"

namespace fieldsync {

TAddressAllowList TAddressAllowList::Parse(std::string_view text) {
  TAddressAllowList list;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of(", \t", start);
    const std::string entry(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    start = end == std::string_view::npos ? text.size() : end + 1;
    if (entry.empty()) continue;
    auto fail = [&] { throw Exception(FormatText(BadAllowEntryMessage, {Variable, entry})); };
    const size_t slash = entry.find('/');
    const auto address = net::ParseAddress(entry.substr(0, slash));
    if (!address) fail();
    const int maxBits = address->IPv6 ? 128 : 32;
    int bits = maxBits;
    if (slash != std::string::npos) {
      const std::string length = entry.substr(slash + 1);
      const auto value = length.size() <= 3 ? DigitsToUInt64(length) : std::nullopt;
      if (!value || *value > static_cast<uint64_t>(maxBits)) fail();
      bits = static_cast<int>(*value);
    }
    list.FRanges.push_back({*address, bits});
  }
  return list;
}

TAddressAllowList TAddressAllowList::FromEnvironment() { return Parse(EnvironmentVariable(Variable)); }

bool TAddressAllowList::Allows(const net::TAddress& peer) const {
  if (FRanges.empty()) return true;
  for (const TRange& range : FRanges) {
    if (range.Address.IPv6 != peer.IPv6) continue;
    int bits = range.PrefixBits;
    size_t i = 0;
    bool match = true;
    for (; bits >= 8 && match; bits -= 8, ++i) match = range.Address.Bytes[i] == peer.Bytes[i];
    if (match && bits > 0) {
      const auto mask = static_cast<uint8_t>(0xFF << (8 - bits));
      match = (range.Address.Bytes[i] & mask) == (peer.Bytes[i] & mask);
    }
    if (match) return true;
  }
  return false;
}

}  // namespace fieldsync
