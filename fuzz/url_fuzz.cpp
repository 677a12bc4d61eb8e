// libFuzzer target for URL and query decoding with the REST URL grammar and
// argument conversion: the bytes as a request target through
// ParseRequestTarget, each path piece through DecodeURLPiece, the REST path
// through Consume/ParseRequest, the query through DecodeUrlFields, each
// argument through ArgumentToJSON and JSONToValue for every parameter type,
// and the "Pragma" session id. Traps when a property breaks:
// - any text, percent-encoded byte by byte (and as %uXXXX units), decodes
//   back to itself, in a path piece and in a whole request target;
// - a query field, encoded again, decodes back to itself;
// - the decoded texts are never longer than what was decoded;
// - the REST arguments are the path's pieces after class and method.
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "core/Error.h"
#include "core/Text.h"
#include "db/DBXTypes.h"
#include "http/internal/HttpParsing.h"
#include "http/WebRequest.h"
#include "rest/DSConvert.h"
#include "rest/internal/DSRESTGrammar.h"

using namespace fieldsync;
using fieldsync::fuzz::Check;

namespace {

const char* const Hex = "0123456789ABCDEF";

std::string PercentBytes(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += '%';
    out += Hex[b >> 4];
    out += Hex[b & 15];
  }
  return out;
}

std::string PercentUnits(std::u16string_view text) {
  std::string out;
  for (const char16_t u : text) {
    out += "%u";
    for (int shift = 12; shift >= 0; shift -= 4) out += Hex[(u >> shift) & 15];
  }
  return out;
}

// Form encoding: blanks as "+", every byte that is not a letter or digit as
// %XX.
std::string FormEncode(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) out += c;
    else if (c == ' ') out += '+';
    else out += PercentBytes(std::string_view(&c, 1));
  }
  return out;
}

void ConvertArgument(const std::u16string& text) {
  using namespace TDBXDataTypes;
  std::unique_ptr<TJSONValue> json = ArgumentToJSON(text);
  Check(json != nullptr);
  for (const int type : {Int32Type, WideStringType, CurrencyType, DoubleType, BooleanType, DateType}) {
    try {
      TDSValue value = JSONToValue(json.get(), type);
      (void)ValueToJSON(value, type);
    } catch (const Exception&) {
    }
  }
}

void Grammar(std::string_view uri) {
  const TRequestTarget target = ParseRequestTarget(uri);
  Check(target.Document.size() <= uri.size());
  const std::string path = Utf16ToUtf8(target.Document);
  std::optional<std::string> rest = Consume("datasnap", target.RawPath);
  if (rest) rest = Consume("rest", *rest);
  if (rest) {
    try {
      const TRESTRequestParts parts = ParseRequest(*rest);
      Check(parts.Arguments.size() <= rest->size());
      (void)SetMethodNameWithPrefix("POST", parts.ClassName, parts.MethodName);
      (void)ScanQualifiedName(parts.MethodName);
      for (const auto& argument : parts.Arguments) ConvertArgument(argument);
    } catch (const Exception&) {
    }
  }
  try {
    const TFields fields = DecodeUrlFields(target.Query);
    for (const auto& item : fields.Items()) {
      Check(item.size() <= target.Query.size());
      // Encoded again, the item decodes back to itself.
      const TFields again = DecodeUrlFields(FormEncode(item));
      Check(again.Count() == (item.empty() ? 0u : 1u));
      if (!item.empty()) Check(again.Strings(0) == item);
    }
  } catch (const Exception&) {
  }
  (void)SessionIdFromPragma(uri);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  try {
    Grammar(bytes);
  } catch (const Exception&) {
  }
  const std::u16string piece = DecodeURLPiece(bytes);
  Check(piece.size() <= bytes.size());

  // Round trips: the bytes' own text, percent-encoded, decodes to itself.
  const std::u16string text = Utf8ToUtf16(bytes);
  Check(DecodeURLPiece(PercentBytes(bytes)) == text);
  Check(ParseRequestTarget("/" + PercentBytes(bytes)).Document == u"/" + text);
  const std::u16string units = fuzz::Units(bytes);
  Check(DecodeURLPiece(PercentUnits(units)) == units);
  Check(ParseRequestTarget("/" + PercentUnits(units)).Document == u"/" + units);
  return 0;
}
