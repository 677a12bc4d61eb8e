#pragma once
// An ordered list of name=value properties whose names match without regard
// to ASCII case: connection parameters, driver properties, definitions-file
// sections.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fieldsync {

class TDBXProperties {
 public:
  using Entry = std::pair<std::string, std::string>;

  TDBXProperties() = default;
  TDBXProperties(std::initializer_list<Entry> entries);

  // The value of the first entry named `name`; empty when there is none.
  std::string Value(std::string_view name) const;
  std::optional<std::string> Find(std::string_view name) const;
  bool Contains(std::string_view name) const { return Find(name).has_value(); }
  // The value as a whole number; `fallback` when it is missing or empty.
  // Any other text raises TDBXError (InvalidArgument) naming the property,
  // never a silent 0.
  int32_t IntegerValue(std::string_view name, int32_t fallback) const;
  // Replaces the first entry of that name, or appends one.
  void SetValue(std::string_view name, std::string_view value);
  void Clear() { FEntries.clear(); }
  bool Empty() const { return FEntries.empty(); }
  const std::vector<Entry>& Entries() const { return FEntries; }

 private:
  std::vector<Entry> FEntries;
};

}  // namespace fieldsync
