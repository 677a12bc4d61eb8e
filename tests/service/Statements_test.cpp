// The copies of the service's SQL texts in database/statements.sql against
// the texts themselves. A read method's entry is compared with the text the
// method builds for the entry's call: the call goes through the method table
// (its parameter names and types) to an instance on the test database, and
// the instance's last read gives the text with its markers filled. A
// statement component's entry is compared with the component's constant.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "core/Text.h"
#include "rest/DSServer.h"
#include "rest/ServerMethodsRegistration.h"
#include "service/internal/ServerMethodsComponents.h"
#include "tests/service/ServiceDatabase.h"
#include "tests/support/TempDir.h"

namespace fieldsync::test {
namespace {

// One entry of statements.sql: its name, its @call line (read methods) and
// its text with LF line breaks.
struct TEntry {
  std::string Name;
  std::string Call;
  std::string Text;
};

std::vector<TEntry> ReadEntries() {
  const std::filesystem::path file =
      std::filesystem::path(std::getenv("FIELDSYNC_SOURCE")) / "database" / "statements.sql";
  const std::string content = fieldsync::test::ReadFile(file);
  std::vector<TEntry> entries;
  std::optional<TEntry> current;
  bool inText = false;
  size_t start = 0;
  while (start <= content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    const std::string line = content.substr(start, end - start);
    start = end + 1;
    if (!current) {
      if (line.rfind("-- @name ", 0) == 0) {
        current = TEntry{line.substr(9), "", ""};
        inText = false;
      }
      continue;
    }
    if (line == "-- @end") {
      if (!current->Text.empty()) current->Text.pop_back();
      entries.push_back(std::move(*current));
      current.reset();
    } else if (!inText && line.rfind("-- @", 0) == 0) {
      if (line.rfind("-- @call ", 0) == 0) current->Call = line.substr(9);
    } else {
      inText = true;
      current->Text += line + "\n";
    }
  }
  EXPECT_FALSE(current) << "entry without -- @end: " << current->Name;
  return entries;
}

// The service's text as statements.sql writes it: CR LF and CR as LF.
std::string AsWritten(const std::u16string& sql) {
  std::string text;
  const std::string bytes = Utf16ToUtf8(sql);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r') {
      text += bytes[i];
    } else {
      text += '\n';
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
  }
  return text;
}

// "GetCelulares(IMEI='1', Representante='O''Neil') with IDFilial=3": the
// method, its arguments by parameter name (texts unquoted) and the host's
// values, 1 and 30 unless the call names them.
struct TCall {
  std::string Method;
  std::map<std::string, std::string> Arguments;
  std::vector<std::string> Names;  // the arguments' names in the call's order
  int32_t IDFilial = 1;
  int32_t DiasEmAtraso = 30;
};

TCall ParseCall(const std::string& text) {
  static const std::regex shape(R"(^(\w+)\((.*)\)(?: with (.*))?$)");
  static const std::regex argument(R"((\w+)=('(?:[^']|'')*'|-?\d+))");
  std::smatch match;
  if (!std::regex_match(text, match, shape)) throw std::runtime_error("malformed @call: " + text);
  TCall call;
  call.Method = match[1];
  const std::string arguments = match[2];
  for (std::sregex_iterator it(arguments.begin(), arguments.end(), argument), end; it != end; ++it) {
    std::string value = (*it)[2];
    if (value.front() == '\'') value = std::regex_replace(value.substr(1, value.size() - 2), std::regex("''"), "'");
    call.Arguments[(*it)[1]] = value;
    call.Names.push_back((*it)[1]);
  }
  const std::string host = match[3];
  for (std::sregex_iterator it(host.begin(), host.end(), argument), end; it != end; ++it) {
    if ((*it)[1] == "IDFilial") call.IDFilial = std::stoi((*it)[2]);
    else if ((*it)[1] == "DiasEmAtraso") call.DiasEmAtraso = std::stoi((*it)[2]);
    else throw std::runtime_error("unknown host value in @call: " + text);
  }
  return call;
}

// The text the method builds for the call, made by calling it.
std::string TextOfCall(const TDSServer& server, const TCall& call) {
  const TDSMethodEntry& method = server.Resolve(u"TServerMethods1." + Utf8ToUtf16(call.Method));
  std::vector<TDSValue> values(method.Parameters.size());
  std::vector<std::string> names;
  for (size_t i = 0; i < method.Parameters.size(); ++i) {
    const TDSParameter& parameter = method.Parameters[i];
    if (parameter.Direction != TDSParamDirection::In) continue;
    const auto argument = call.Arguments.find(parameter.Name);
    if (argument == call.Arguments.end()) throw std::runtime_error("no argument for " + parameter.Name);
    names.push_back(parameter.Name);
    values[i] = parameter.DataType == TDBXDataTypes::Int32Type ? TDSValue::Int32(std::stoi(argument->second))
                                                                 : TDSValue::String(Utf8ToUtf16(argument->second));
  }
  // The call names every parameter once, in order (the end-to-end tests send
  // its arguments as a path).
  if (names != call.Names) throw std::runtime_error("the call's arguments are not the method's parameters in order");
  TDSInstanceOf<TServerMethods1> instance(Db().Service(call.IDFilial, call.DiasEmAtraso));
  method.Invoke(instance, values);
  values.back().TakeReader().reset();  // read before the instance goes
  return AsWritten(instance.Object->LastReadSql());
}

// Entries whose text is not the service's own: the host window's row sets,
// and the stored procedure's call, which the driver writes.
const std::set<std::string> NotTheServicesTexts = {"dstFilial", "dstConfiguracao", "cdsFilial apply",
                                                   "cdsConfiguracao apply", "dstRecebendoPalmAFA"};

TEST(Statements, EveryEntryIsTheServicesOwnText) {
  THostValues host;
  TDSServer server;
  RegisterServerMethods1(server, host);
  std::map<std::string, std::string> constants;
  for (const TStatementText& statement : StatementTexts())
    constants[std::string(statement.Name)] = AsWritten(statement.Sql);

  const std::vector<TEntry> entries = ReadEntries();
  std::set<std::string> readMethods;
  std::set<std::string> others;
  std::set<std::string> compared;
  for (const TEntry& entry : entries) {
    SCOPED_TRACE(entry.Name);
    if (!entry.Call.empty()) {
      const TCall call = ParseCall(entry.Call);
      readMethods.insert(call.Method);
      EXPECT_EQ(TextOfCall(server, call), entry.Text);
      continue;
    }
    if (NotTheServicesTexts.count(entry.Name)) {
      others.insert(entry.Name);
      continue;
    }
    // A variant of a component ("dstUpdatePedido without PRAZO") has the
    // component's text unless the table names the variant itself.
    auto constant = constants.find(entry.Name);
    if (constant == constants.end()) constant = constants.find(entry.Name.substr(0, entry.Name.find(' ')));
    ASSERT_NE(constant, constants.end()) << "no statement of the service is called so";
    EXPECT_EQ(constant->second, entry.Text);
    compared.insert(constant->first);
  }
  EXPECT_EQ(others, NotTheServicesTexts);
  // Every statement of the service has its entry.
  for (const auto& [name, text] : constants) EXPECT_TRUE(compared.count(name)) << name;

  // Every read method of the table has its entry.
  for (const TDSServerClass* serverClass : server.Classes()) {
    for (const TDSMethodEntry* method : server.MethodsOf(*serverClass)) {
      if (!IsReadMethod(*method)) continue;
      EXPECT_TRUE(readMethods.count(Utf16ToUtf8(method->MethodName))) << Utf16ToUtf8(method->MethodName);
    }
  }
}

}  // namespace
}  // namespace fieldsync::test
