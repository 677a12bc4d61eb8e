// The client writers of the handheld packages: for each, the file it writes
// for a sample server holds the expected declarations (typed inputs, out and
// in/out parameters in the language's idiom, the result, tables, the verb and
// request name of each call), and leaves out what it cannot call.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "db/DBXTypes.h"
#include "clientgen/DSProxyGenerator.h"
#include "clientgen/ProxyWriters.h"
#include "rest/ServerMethodsRegistration.h"

namespace fieldsync {
namespace {

using namespace TDBXDataTypes;
using D = TDSParamDirection;

THostValues Host;

// TServerMethods1 as registered, plus a sample class with the cases the
// service's own class does not have.
std::string ClientText(const std::string& writerName) {
  TDSServer server;
  RegisterServerMethods1(server, Host);
  auto& sample = server.AddClass(u"TSample", "Session", nullptr);
  server.AddMethod(sample, u"Swap", {{"Count", D::InOut, Int32Type}, {"Total", D::Out, Int64Type},
                                     {"result", D::Return, DoubleType}}, nullptr);
  server.AddMethod(sample, u"updateStock", {{"Id", D::In, Int32Type}, {"Done", D::In, BooleanType}},
                   nullptr);
  server.AddMethod(sample, u"TakeTable", {{"Data", D::In, TableType}}, nullptr);
  server.AddMethod(sample, u"Bytes", {{"result", D::Return, BytesType}}, nullptr);
  TDSProxyGenerator generator;
  generator.Writer = writerName;
  generator.ExcludeClasses = {"DSMetadata"};
  generator.MetaDataProvider = [&server] { return DSServerMetaData(server); };
  const auto writer = FindProxyWriter(writerName)->Create();
  std::ostringstream out;
  writer->WriteProxy(generator.IncludedMetaData(*writer), out);
  return out.str();
}

struct TWriterCase {
  const char* Writer;
  std::vector<std::string> Present;
  std::vector<std::string> Absent;
};

const std::string SetPedidoJavaTail = "double TotalPedido, StringHolder Erro) throws DSRESTException {";
const std::string SetPedidoCSharpTail = "double TotalPedido, out string Erro)";
const std::string SetPedidoPascalTail = "TotalPedido: Double; out Erro: string): Boolean;";

const std::vector<std::string> PascalDeclarations = {
    "unit DSProxy;",
    "uses\n  SysUtils, fpjson, DSRESTConnection, DSTableReader;",
    "  TServerMethods1 = class\n",
    "    function EchoString(const Value: string): string;\n",
    "    function GetAtividade: TDSTableReader;\n",
    "    function GetAtividadeSN(IDAtividade: Integer): TDSTableReader;\n",
    "    function SetPedido(IDRepresentante: Integer; IDPedidoPalm: Integer;",
    SetPedidoPascalTail,
    "    function Swap(var Count: Integer; out Total: Int64): Double;\n",
    "    procedure updateStock(Id: Integer; Done: Boolean);\n",
    "LResult := FConnection.Execute('GET', 'TServerMethods1', 'SetPedido', [TextOf(IDRepresentante), ",
    "    Erro := ResultString(LResult, 0);\n    Result := ResultBoolean(LResult, 1);\n",
    "  LResult := FConnection.Execute('GET', 'TSample', 'Swap', [TextOf(Count)]);\n  try\n"
    "    Count := ResultInteger(LResult, 0);\n    Total := ResultInt64(LResult, 1);\n"
    "    Result := ResultDouble(LResult, 2);\n",
    "  FConnection.Execute('POST', 'TSample', 'Stock', [TextOf(Id), TextOf(Done)]).Free;\n",
    "    Result := ResultTable(LResult, 0);\n",
};
const std::vector<std::string> PascalAbsent = {"TakeTable", "Bytes", "DSMetadata"};

const TWriterCase WriterCases[] = {
    {"Java (Android) REST",
     {"package fieldsync.proxy;", "import fieldsync.rest.*;", "public class DSProxy {",
      "  public static class TServerMethods1 {\n",
      "    public TServerMethods1(DSRESTConnection connection) {",
      "    public String EchoString(String Value) throws DSRESTException {",
      "    public DSTableReader GetAtividade() throws DSRESTException {",
      "    public boolean SetPedido(int IDRepresentante, int IDPedidoPalm, ", SetPedidoJavaTail,
      "JSONArray _result = connection.execute(\"GET\", \"TServerMethods1\", \"SetPedido\", _args);",
      "      Erro.value = _result.getString(0);\n      return _result.getBoolean(1);\n",
      "      return _result.getTable(0);",
      "    public double Swap(IntHolder Count, LongHolder Total) throws DSRESTException {",
      "new String[] {DSRESTConnection.text(Count.value)};",
      "      Count.value = _result.getInt(0);\n      Total.value = _result.getLong(1);\n"
      "      return _result.getDouble(2);\n",
      "    public void updateStock(int Id, boolean Done) throws DSRESTException {",
      "      connection.execute(\"POST\", \"TSample\", \"Stock\", _args);"},
     {"TakeTable", "Bytes", "DSMetadata"}},
    {"Java (Black Berry) REST",
     {"\"Java (Black Berry) REST\"", "package fieldsync.proxy;", "public class DSProxy {",
      "    public String EchoString(String Value) throws DSRESTException {", SetPedidoJavaTail,
      "    public double Swap(IntHolder Count, LongHolder Total) throws DSRESTException {"},
     {"TakeTable", "Bytes", "<"}},  // no generics
    {"Objective-C iOS 4.2 REST",
     {"#import \"DSRESTConnection.h\"", "@interface TServerMethods1 : NSObject {",
      "- (id)initWithConnection:(DSRESTConnection *)aConnection;",
      "- (NSString *)EchoString:(NSString *)Value;\n", "- (DSTableReader *)GetAtividade;\n",
      "- (BOOL)SetPedido:(int)IDRepresentante IDPedidoPalm:(int)IDPedidoPalm ",
      " TotalPedido:(double)TotalPedido Erro:(NSString **)Erro;\n",
      "[connection execute:@\"GET\" className:@\"TServerMethods1\" request:@\"SetPedido\" args:_args];",
      "  if (Erro) *Erro = DSResultString(_result, 0);\n  return DSResultBool(_result, 1);\n",
      "- (double)Swap:(int *)Count Total:(long long *)Total;\n",
      "[NSArray arrayWithObjects:DSTextOfInt(*Count), nil];",
      "  if (Count) *Count = DSResultInt(_result, 0);\n  if (Total) *Total = DSResultLong(_result, 1);\n"
      "  return DSResultDouble(_result, 2);\n",
      "- (void)updateStock:(int)Id Done:(BOOL)Done;\n",
      "  [connection execute:@\"POST\" className:@\"TSample\" request:@\"Stock\" args:_args];\n",
      "#ifdef DSPROXY_IMPLEMENTATION\n"},
     {"TakeTable", "Bytes", "DSMetadata"}},
    {"C# Silverlight REST",
     {"using Fieldsync.Rest;", "namespace Fieldsync.Proxy\n{",
      "    public class TServerMethods1\n    {\n",
      "        public TServerMethods1(DSRESTConnection connection)",
      "        public string EchoString(string Value)\n",
      "        public DSTableReader GetAtividade()\n",
      "        public bool SetPedido(int IDRepresentante, int IDPedidoPalm, ", SetPedidoCSharpTail,
      "            Erro = _result.GetString(0);\n            return _result.GetBoolean(1);\n",
      "        public double Swap(ref int Count, out long Total)\n",
      "            string[] _args = new string[] { DSRESTConnection.Text(Count) };\n",
      "            Count = _result.GetInt(0);\n            Total = _result.GetLong(1);\n"
      "            return _result.GetDouble(2);\n",
      "        public void updateStock(int Id, bool Done)\n",
      "            connection.Execute(\"POST\", \"TSample\", \"Stock\", _args);\n"},
     {"TakeTable", "Bytes", "DSMetadata"}},
    {"FreePascal iOS 4.2 REST", PascalDeclarations, PascalAbsent},
    {"FreePascal iOS 5.0 REST", PascalDeclarations, PascalAbsent},
};

TEST(ClientWriters, WriteTheExpectedDeclarations) {
  for (const auto& c : WriterCases) {
    const std::string text = ClientText(c.Writer);
    EXPECT_NE(text.find(std::string("\"") + c.Writer + "\""), std::string::npos) << c.Writer;
    for (const auto& declaration : c.Present)
      EXPECT_NE(text.find(declaration), std::string::npos) << c.Writer << " lacks:\n" << declaration;
    for (const auto& absent : c.Absent)
      EXPECT_EQ(text.find(absent), std::string::npos) << c.Writer << " has: " << absent;
  }
}

TEST(ClientWriters, AreRegisteredWithTheirKeysAndExtensions) {
  struct TCase {
    const char* Key;
    const char* Name;
    const char* Extension;
  };
  const TCase cases[] = {
      {"java_android", "Java (Android) REST", ".java"},
      {"java_blackberry", "Java (Black Berry) REST", ".java"},
      {"objectivec_ios42", "Objective-C iOS 4.2 REST", ".h"},
      {"csharp_silverlight", "C# Silverlight REST", ".cs"},
      {"freepascal_ios42", "FreePascal iOS 4.2 REST", ".pas"},
      {"freepascal_ios50", "FreePascal iOS 5.0 REST", ".pas"},
  };
  for (const auto& c : cases) {
    const auto* writer = FindProxyWriterByKey(c.Key);
    ASSERT_NE(writer, nullptr) << c.Key;
    EXPECT_EQ(writer->Name, c.Name);
    EXPECT_EQ(writer->FileExtension, c.Extension);
    EXPECT_EQ(FindProxyWriter(c.Name), writer);
  }
}

}  // namespace
}  // namespace fieldsync
