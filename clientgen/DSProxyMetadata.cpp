#include "clientgen/DSProxyMetadata.h"

#include <algorithm>

#include "core/Text.h"
#include "db/DBXTypes.h"

namespace fieldsync {

namespace {

using namespace TDBXDataTypes;

struct TTypeName {
  int DataType;
  const char* Name;
};

constexpr TTypeName TypeNames[] = {
    {AnsiStringType, "AnsiString"},  {DateType, "TDBXDate"},
    {BlobType, "TStream"},           {BooleanType, "Boolean"},
    {Int16Type, "SmallInt"},         {Int32Type, "Integer"},
    {DoubleType, "Double"},          {BcdType, "TBcd"},
    {BytesType, "TBytes"},           {TimeType, "TDBXTime"},
    {DateTimeType, "TDateTime"},     {UInt16Type, "Word"},
    {UInt32Type, "Cardinal"},        {VarBytesType, "TBytes"},
    {Int64Type, "Int64"},            {UInt64Type, "UInt64"},
    {AdtType, "TObject"},            {TableType, "TDBXReader"},
    {TimeStampType, "TSQLTimeStamp"}, {CurrencyType, "Currency"},
    {WideStringType, "string"},      {SingleType, "Single"},
    {Int8Type, "ShortInt"},          {UInt8Type, "Byte"},
    {BinaryBlobType, "TStream"},     {JsonValueType, "TJSONValue"},
};

// Scalar types: one URL segment holds the value's text.
constexpr int UrlTypes[] = {AnsiStringType, DateType,     BooleanType,    Int16Type,  Int32Type,
                            DoubleType,     BcdType,      TimeType,       DateTimeType, UInt16Type,
                            UInt32Type,     Int64Type,    UInt64Type,     TimeStampType, CurrencyType,
                            WideStringType, SingleType,   Int8Type,       UInt8Type};

constexpr int CacheableTypes[] = {TableType, BlobType, BinaryBlobType, AdtType, JsonValueType};

template <size_t N>
bool Contains(const int (&types)[N], int dataType) {
  return std::find(std::begin(types), std::end(types), dataType) != std::end(types);
}

struct TPrefix {
  const char* Text;
  const char* Verb;
};

constexpr TPrefix VerbPrefixes[] = {{"accept", "PUT"}, {"update", "POST"}, {"cancel", "DELETE"}};

}  // namespace

bool TDSProxyParameter::IsInput() const {
  return Direction == TDSParamDirection::In || Direction == TDSParamDirection::InOut;
}

bool TDSProxyParameter::IsOutput() const { return Direction != TDSParamDirection::In; }

bool TDSProxyParameter::IsCacheable() const { return Contains(CacheableTypes, DataType); }

bool TDSProxyParameter::CanTravelInURL() const { return Contains(UrlTypes, DataType); }

std::vector<const TDSProxyParameter*> TDSProxyMethod::Inputs() const {
  std::vector<const TDSProxyParameter*> inputs;
  for (const auto& p : Parameters)
    if (p.IsInput()) inputs.push_back(&p);
  return inputs;
}

std::vector<const TDSProxyParameter*> TDSProxyMethod::Outputs() const {
  std::vector<const TDSProxyParameter*> outputs;
  for (const auto& p : Parameters)
    if (p.IsOutput()) outputs.push_back(&p);
  if (Result) outputs.push_back(&*Result);
  return outputs;
}

bool TDSProxyMethod::HasCacheableOutput() const {
  const auto outputs = Outputs();
  return std::any_of(outputs.begin(), outputs.end(),
                     [](const TDSProxyParameter* p) { return p->IsCacheable(); });
}

bool TDSProxyMethod::InputsTravelInURL() const {
  const auto inputs = Inputs();
  return std::all_of(inputs.begin(), inputs.end(),
                     [](const TDSProxyParameter* p) { return p->CanTravelInURL(); });
}

bool TDSProxyMetadata::ExcludesMethod(const std::string& name) const {
  return std::any_of(ExcludedMethods.begin(), ExcludedMethods.end(),
                     [&name](const std::string& excluded) { return SameTextAscii(excluded, name); });
}

TDSProxyCall ProxyCallOf(const std::string& className, const TDSProxyMethod& method) {
  if (className != "DSAdmin") {
    for (const auto& prefix : VerbPrefixes) {
      const std::string_view text = prefix.Text;
      if (method.Name.size() <= text.size() ||
          !SameTextAscii(std::string_view(method.Name).substr(0, text.size()), text))
        continue;
      const auto inputs = method.Inputs();
      const bool cacheableInput = std::any_of(
          inputs.begin(), inputs.end(), [](const TDSProxyParameter* p) { return p->IsCacheable(); });
      if (cacheableInput) return {"POST", "\"" + method.Name + "\""};
      return {prefix.Verb, method.Name.substr(text.size())};
    }
  }
  return {"GET", method.Name};
}

std::string ServerTypeName(int dataType) {
  for (const auto& t : TypeNames)
    if (t.DataType == dataType) return t.Name;
  return "UNKNOWN(" + std::to_string(dataType) + ")";
}

TDSProxyMetadata DSServerMetaData(const TDSServer& server) {
  TDSProxyMetadata metadata;
  for (const TDSServerClass* serverClass : server.Classes()) {
    TDSProxyClass proxyClass;
    proxyClass.Name = Utf16ToUtf8(serverClass->ClassName());
    for (const TDSMethodEntry* entry : server.MethodsOf(*serverClass)) {
      TDSProxyMethod method;
      method.Name = Utf16ToUtf8(entry->MethodName);
      for (const TDSParameter& p : entry->Parameters) {
        TDSProxyParameter parameter{p.Name, p.Direction, p.DataType, ServerTypeName(p.DataType)};
        if (p.Direction == TDSParamDirection::Return) {
          parameter.Name = "result";
          method.Result = parameter;
        } else {
          method.Parameters.push_back(parameter);
        }
      }
      proxyClass.Methods.push_back(std::move(method));
    }
    metadata.Classes.push_back(std::move(proxyClass));
  }
  return metadata;
}

std::optional<TProxyValueKind> ProxyValueKind(int dataType) {
  switch (dataType) {
    case AnsiStringType: case WideStringType: case DateType: case TimeType:
    case DateTimeType: case TimeStampType:
      return TProxyValueKind::Text;
    case Int8Type: case UInt8Type: case Int16Type: case UInt16Type: case Int32Type:
      return TProxyValueKind::Integer;
    case UInt32Type: case Int64Type: case UInt64Type:
      return TProxyValueKind::Whole64;
    case SingleType: case DoubleType: case BcdType: case CurrencyType:
      return TProxyValueKind::Real;
    case BooleanType:
      return TProxyValueKind::Boolean;
    case TableType:
      return TProxyValueKind::Table;
    default:
      return std::nullopt;
  }
}

const char* DirectionText(TDSParamDirection direction) {
  switch (direction) {
    case TDSParamDirection::Out: return "[out]";
    case TDSParamDirection::InOut: return "[in/out]";
    default: return "[in]";
  }
}

}  // namespace fieldsync
