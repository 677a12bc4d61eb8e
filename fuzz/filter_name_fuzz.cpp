// libFuzzer target for the result-filter names and values of a query
// parameter "<kind><range>.<field>=<value>": ParseFilterName,
// CreateRequestFilter, SetParameterValue, Overlaps, Targets, and the
// substring filter's output for a text made of the input. Traps when a
// property breaks:
// - a kind holds no digit and is lower case;
// - a range names only positions 0 to 71, and a filter targets exactly them;
// - a filter overlaps itself exactly when it applies somewhere;
// - the substring filter writes no more than the whole text would take
//   (6 bytes per character as a JSON escape, plus quotes).
#include <string>

#include "FuzzCheck.h"
#include "core/Error.h"
#include "core/Text.h"
#include "db/DBXTypes.h"
#include "rest/DSRequestFilter.h"

using namespace fieldsync;
using fieldsync::fuzz::Check;

namespace {

void Filter(std::string_view name, const std::string& value, const std::u16string& text) {
  const size_t dot = name.find('.');
  const std::string_view filterName = name.substr(0, dot);
  const std::string field(dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1));
  const TFilterName parsed = ParseFilterName(filterName, name);
  Check(parsed.Kind.find_first_of("0123456789") == std::string::npos);
  Check(parsed.Kind == AsciiLower(parsed.Kind));
  Check(parsed.OnResult == parsed.Range.none() || !parsed.OnResult);
  std::unique_ptr<TDBXRequestFilter> filter = CreateRequestFilter(parsed.Kind);
  if (!filter) return;
  filter->Name = std::string(filterName);
  filter->Range = parsed.Range;
  filter->OnResult = parsed.OnResult;
  for (size_t position = 0; position < 80; ++position)
    Check(filter->Targets(position, false) ==
          (!parsed.OnResult && position <= TDBXRequestFilter::MaxPosition && parsed.Range.test(position)));
  Check(filter->Overlaps(*filter) == (parsed.OnResult || parsed.Range.any()));
  if (filter->HasParameter(field)) (void)filter->SetParameterValue(field, value);
  for (const int type : {TDBXDataTypes::WideStringType, TDBXDataTypes::TableType, TDBXDataTypes::Int32Type}) {
    try {
      filter->CheckCanConvert(type, 0);
    } catch (const Exception&) {
      Check(!filter->CanConvert(type));
    }
  }
  if (filter->CanConvert(TDBXDataTypes::WideStringType)) {
    TDSValue string = TDSValue::String(text);
    std::string out;
    filter->WriteBytes(string, TDBXDataTypes::WideStringType, 0, out);
    Check(out.size() <= 6 * text.size() + 2);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  // "name=value" on the first line, the text to crop after it.
  const size_t lf = bytes.find('\n');
  const std::string_view parameter = bytes.substr(0, lf);
  const std::u16string text =
      Utf8ToUtf16(lf == std::string_view::npos ? std::string_view() : bytes.substr(lf + 1));
  const size_t eq = parameter.find('=');
  const std::string value(eq == std::string_view::npos ? std::string_view() : parameter.substr(eq + 1));
  try {
    Filter(parameter.substr(0, eq), value, text);
  } catch (const Exception&) {
  }
  return 0;
}
