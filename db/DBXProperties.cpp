#include "db/DBXProperties.h"

#include "core/NumberText.h"
#include "core/Text.h"
#include "db/DBXError.h"

namespace fieldsync {

TDBXProperties::TDBXProperties(std::initializer_list<Entry> entries) : FEntries(entries) {}

std::optional<std::string> TDBXProperties::Find(std::string_view name) const {
  for (const auto& [key, value] : FEntries)
    if (SameTextAscii(key, name)) return value;
  return std::nullopt;
}

std::string TDBXProperties::Value(std::string_view name) const {
  return Find(name).value_or(std::string());
}

int32_t TDBXProperties::IntegerValue(std::string_view name, int32_t fallback) const {
  const std::string text = Value(name);
  if (text.empty()) return fallback;
  const auto value = TextToInt32(text);
  if (!value) throw TDBXError(TDBXErrorCodes::InvalidArgument, FormatText(DBXMessages::NotAWholeNumber, {name, text}));
  return *value;
}

void TDBXProperties::SetValue(std::string_view name, std::string_view value) {
  for (auto& [key, v] : FEntries) {
    if (SameTextAscii(key, name)) {
      v = std::string(value);
      return;
    }
  }
  FEntries.emplace_back(std::string(name), std::string(value));
}

}  // namespace fieldsync
