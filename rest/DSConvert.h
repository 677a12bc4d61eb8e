#pragma once
// Conversions between REST texts, JSON values and typed method values:
// a path argument becomes a JSON value, a JSON argument becomes a value of
// the parameter's type, and an output value becomes the JSON value that the
// answer carries.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "json/JSONValue.h"
#include "rest/DSValue.h"

namespace fieldsync {

// "True"/"False" in any case give true/false, "null" gives null, a
// floating-point text gives a number keeping the text as given ("007"
// stays "007"), anything else a string.
std::unique_ptr<TJSONValue> ArgumentToJSON(const std::u16string& text);

// A floating-point number with "." as separator and no thousands
// separator; blanks around it are allowed.
std::optional<double> ParseFloatText(std::u16string_view text);

// Stores a JSON argument (nullptr for a missing one) into a value of the
// parameter's data type; raises the conversion messages of the REST
// interface ("''%s'' is not a valid integer value", ...).
TDSValue JSONToValue(const TJSONValue* json, int dataType);

// The JSON form of an output value; a reader is written as a table (all
// rows) and released. Raises "Cannot convert DBX type %s into a JSON value"
// for a type without a JSON form.
std::unique_ptr<TJSONValue> ValueToJSON(TDSValue& value, int dataType);

}  // namespace fieldsync
