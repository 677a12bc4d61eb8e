// The proxy generator and the "Java Script REST" writer: metadata from the
// method server, which classes and methods are included, the verb and
// request-name rule, and the text written for the real TServerMethods1.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "tests/support/TempDir.h"
#include "core/Text.h"
#include "db/DBXTypes.h"
#include "clientgen/DSProxyGenerator.h"
#include "clientgen/DSProxyMetadata.h"
#include "clientgen/internal/JavaScriptRESTWriter.h"
#include "clientgen/ProxyWriters.h"
#include "rest/ServerMethodsRegistration.h"
#include "tests/support/Expect.h"

namespace fieldsync {
namespace {

using namespace TDBXDataTypes;
using D = TDSParamDirection;
using test::ExpectThrowWithText;

THostValues Host;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The writer's text for the real TServerMethods1, as the web module makes it.
std::string ServerMethods1Script() {
  TDSServer server;
  RegisterServerMethods1(server, Host);
  TDSProxyGenerator generator;
  generator.Writer = JavaScriptRESTWriterName;
  generator.ExcludeClasses = {"DSMetadata"};
  generator.MetaDataProvider = [&server] { return DSServerMetaData(server); };
  TJavaScriptRESTWriter writer;
  std::ostringstream out;
  writer.WriteProxy(generator.IncludedMetaData(writer), out);
  return out.str();
}

// The lines from `first` on, as many as `expected` holds.
std::vector<std::string> LinesFrom(const std::vector<std::string>& lines, const std::string& first,
                                   size_t count) {
  auto it = std::find(lines.begin(), lines.end(), first);
  if (it == lines.end()) return {"(no line " + first + ")"};
  const auto end = std::min<size_t>(count, static_cast<size_t>(lines.end() - it));
  return std::vector<std::string>(it, it + static_cast<std::ptrdiff_t>(end));
}

TEST(JavaScriptRESTWriter, WritesTheClientOfTServerMethods1) {
  const std::string script = ServerMethods1Script();
  ASSERT_EQ(script.rfind("\xEF\xBB\xBF", 0), 0u) << "UTF-8 text with its mark";
  const auto lines = Lines(script.substr(3));

  // Around a method function: the comment block just before it and the
  // lines from it on, as they must appear.
  struct TCase {
    std::vector<std::string> Comment;
    std::vector<std::string> Lines;  // the first one is the method function's
  };
  const std::vector<TCase> cases = {
      {{"", "  /*", "   * @param Value [in] - Type on server: string",
        "   * @return result - Type on server: string", "   */"},
       {"  this.EchoString = function(Value) {",
        "    var returnObject = this.executor.executeMethod('EchoString', \"GET\", [Value], "
        "arguments[1], true, arguments[2], arguments[3]);",
        "    if (arguments[1] == null) {",
        "      if (returnObject != null && returnObject.result != null && "
        "isArray(returnObject.result)) {",
        "        var resultArray = returnObject.result;", "        var resultObject = new Object();",
        "        resultObject.Value = Value;", "        resultObject.result = resultArray[0];",
        "        return resultObject;", "      }", "      return returnObject;", "    }", "  };",
        "  this.EchoString_URL = function(Value) {",
        "    return this.executor.getMethodURL(\"EchoString\", \"GET\", [Value], arguments[1])[0];",
        "  };", "", "  /*"}},
      // A table result: the cache identifiers are passed on.
      {{"  /*", "   * @return result - Type on server: TDBXReader", "   */"},
       {"  this.GetAtividade = function() {",
        "    var returnObject = this.executor.executeMethod('GetAtividade', \"GET\", [], "
        "arguments[0], true, arguments[1], arguments[2]);",
        "    if (arguments[0] == null) {",
        "      if (returnObject != null && returnObject.result != null && "
        "isArray(returnObject.result)) {",
        "        var resultArray = returnObject.result;", "        var resultObject = new Object();",
        "        resultObject.result = resultArray[0];",
        "        if (returnObject.cacheId != null && returnObject.cmdIndex != null) {",
        "          resultObject._cacheId = returnObject.cacheId;",
        "          resultObject._cmdIndex = returnObject.cmdIndex;", "        }",
        "        return resultObject;", "      }", "      return returnObject;", "    }", "  };",
        "  this.GetAtividade_URL = function() {",
        "    return this.executor.getMethodURL(\"GetAtividade\", \"GET\", [], arguments[0])[0];",
        "  };"}},
      // An out parameter comes back before the result; inputs are echoed.
      {{"  /*", "   * @param IDRepresentante [in] - Type on server: Integer",
        "   * @param IDPedidoPalm [in] - Type on server: Integer",
        "   * @param Observacao [in] - Type on server: string",
        "   * @param Erro [out] - Type on server: string",
        "   * @return result - Type on server: Boolean", "   */"},
       {"  this.SetPedido2 = function(IDRepresentante, IDPedidoPalm, Observacao) {",
        "    var returnObject = this.executor.executeMethod('SetPedido2', \"GET\", "
        "[IDRepresentante, IDPedidoPalm, Observacao], arguments[3], true, arguments[4], "
        "arguments[5]);",
        "    if (arguments[3] == null) {",
        "      if (returnObject != null && returnObject.result != null && "
        "isArray(returnObject.result)) {",
        "        var resultArray = returnObject.result;", "        var resultObject = new Object();",
        "        resultObject.IDRepresentante = IDRepresentante;",
        "        resultObject.IDPedidoPalm = IDPedidoPalm;", "        resultObject.Observacao = Observacao;",
        "        resultObject.Erro = resultArray[0];", "        resultObject.result = resultArray[1];",
        "        return resultObject;", "      }"}},
      {{"   * @param Cliente_Contribuinte [in] - Type on server: string",
        "   * @param TotalPedido [in] - Type on server: Currency",
        "   * @param Erro [out] - Type on server: string",
        "   * @return result - Type on server: Boolean", "   */"},
       {"  this.SetPedido = function(IDRepresentante, IDPedidoPalm, IDFormaPagto, IDCondicaoPagto, "
        "IDTabelaPreco, IDCliente, Parcela, IDConsignacao, IDCidade, IDAtividade, IDConvenio, "
        "IDRegiao, DtEmissao, SitPedido, NmRazao, NmFantasia, Endereco, Cep, Bairro, TipoCliente, "
        "Cnpj, IE, Cpf, Rg, Fone, Celular, Email, Cliente_Contribuinte, TotalPedido) {"}},
  };
  for (const auto& c : cases) {
    const auto at = std::find(lines.begin(), lines.end(), c.Lines.front());
    ASSERT_NE(at, lines.end()) << c.Lines.front();
    const auto before = static_cast<size_t>(at - lines.begin());
    ASSERT_GE(before, c.Comment.size()) << c.Lines.front();
    const std::vector<std::string> comment(at - static_cast<std::ptrdiff_t>(c.Comment.size()), at);
    EXPECT_EQ(comment, c.Comment);
    EXPECT_EQ(LinesFrom(lines, c.Lines.front(), c.Lines.size()), c.Lines);
  }
  EXPECT_EQ(LinesFrom(lines, "function TServerMethods1(connectionInfo)", 3),
            (std::vector<std::string>{
                "function TServerMethods1(connectionInfo)", "{",
                "  this.executor = new ServerFunctionExecutor(\"TServerMethods1\",connectionInfo);"}));

  // Every method the server publishes has its function and its URL
  // function, and there are no others.
  const auto count = [&lines](const std::string& part) {
    return std::count_if(lines.begin(), lines.end(), [&part](const std::string& line) {
      return line.rfind("  this.", 0) == 0 && line.find(part) != std::string::npos;
    });
  };
  TDSServer server;
  RegisterServerMethods1(server, Host);
  const auto published = server.MethodsOf(*server.Classes().front());
  ASSERT_FALSE(published.empty());
  for (const TDSMethodEntry* method : published) {
    const std::string name = Utf16ToUtf8(method->MethodName);
    EXPECT_EQ(count("  this." + name + " = function("), 1) << name;
    EXPECT_EQ(count("  this." + name + "_URL = function("), 1) << name;
  }
  EXPECT_EQ(count("_URL = function("), static_cast<std::ptrdiff_t>(published.size()));
  EXPECT_EQ(count(" = function(") - count("_URL = function("), static_cast<std::ptrdiff_t>(published.size()));

  // The class list closes the file.
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "var JSProxyClassList = {");
  EXPECT_EQ(lines[lines.size() - 2].rfind(
                "  \"TServerMethods1\": [\"EchoString\",\"ReverseString\",\"GetCondPagto\",", 0),
            0u);
  EXPECT_TRUE(lines[lines.size() - 2].ends_with(",\"RecebendoPalmAfa\",\"SetRepresentante\","
                                                "\"SetCelulares\",\"SetSenhaPalm\",\"SetReceber\"]"))
      << lines[lines.size() - 2];
  EXPECT_EQ(lines.back(), "};");
}

// A method server with the cases the rule and the filters must tell apart.
class ProxyMetadataTest : public ::testing::Test {
 protected:
  ProxyMetadataTest() {
    auto& sample = FServer.AddClass(u"TSample", "Session", nullptr);
    Add(sample, u"Plain", {{"A", D::In, Int32Type}, {"result", D::Return, WideStringType}});
    Add(sample, u"acceptOrder", {{"Id", D::In, Int32Type}});
    Add(sample, u"UPDATEOrder", {{"Id", D::InOut, Int32Type}, {"result", D::Return, BooleanType}});
    Add(sample, u"cancelOrder", {{"Note", D::Out, WideStringType}});
    Add(sample, u"update", {});
    Add(sample, u"updateTable", {{"Data", D::In, TableType}});
    Add(sample, u"Cursor", {{"C", D::In, CursorType}});
    Add(sample, u"GivesBytes", {{"result", D::Return, BytesType}});
    auto& admin = FServer.AddClass(u"DSAdmin", "Server", nullptr);
    Add(admin, u"acceptSomething", {});
    auto& metadata = FServer.AddClass(u"dsmetadata", "Server", nullptr);
    Add(metadata, u"GetThing", {});
    FServer.AddClass(u"TEmpty", "Server", nullptr);
  }

  void Add(TDSServerClass& serverClass, std::u16string name, std::vector<TDSParameter> parameters) {
    FServer.AddMethod(serverClass, std::move(name), std::move(parameters), nullptr);
  }

  const TDSProxyMethod& Method(const TDSProxyMetadata& metadata, const std::string& className,
                               const std::string& name) {
    for (const auto& c : metadata.Classes)
      for (const auto& m : c.Methods)
        if (c.Name == className && m.Name == name) return m;
    throw std::runtime_error("no method " + name);
  }

  TDSServer FServer;
};

TEST_F(ProxyMetadataTest, TheVerbAndRequestNameFollowThePrefix) {
  const auto metadata = DSServerMetaData(FServer);
  struct TCase {
    const char* Class;
    const char* Method;
    const char* Verb;
    const char* RequestName;
  };
  const TCase cases[] = {
      {"TSample", "Plain", "GET", "Plain"},
      {"TSample", "acceptOrder", "PUT", "Order"},
      {"TSample", "UPDATEOrder", "POST", "Order"},
      {"TSample", "cancelOrder", "DELETE", "Order"},
      {"TSample", "update", "GET", "update"},  // no longer than the prefix
      {"TSample", "updateTable", "POST", "\"updateTable\""},  // a cacheable input
      {"DSAdmin", "acceptSomething", "GET", "acceptSomething"},
  };
  for (const auto& c : cases) {
    const auto call = ProxyCallOf(c.Class, Method(metadata, c.Class, c.Method));
    EXPECT_EQ(call.Verb, c.Verb) << c.Method;
    EXPECT_EQ(call.RequestName, c.RequestName) << c.Method;
  }
}

TEST_F(ProxyMetadataTest, MetadataKeepsTheServersOrderDirectionsAndTypeNames) {
  const auto metadata = DSServerMetaData(FServer);
  ASSERT_EQ(metadata.Classes.size(), 4u);
  EXPECT_EQ(metadata.Classes[0].Name, "TSample");
  EXPECT_EQ(metadata.Classes[3].Name, "TEmpty");
  std::vector<std::string> names;
  for (const auto& m : metadata.Classes[0].Methods) names.push_back(m.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Plain", "acceptOrder", "UPDATEOrder", "cancelOrder",
                                             "update", "updateTable", "Cursor", "GivesBytes"}));
  const auto& inOut = Method(metadata, "TSample", "UPDATEOrder");
  ASSERT_EQ(inOut.Parameters.size(), 1u);
  EXPECT_TRUE(inOut.Parameters[0].IsInput() && inOut.Parameters[0].IsOutput());
  ASSERT_TRUE(inOut.Result.has_value());
  EXPECT_EQ(inOut.Result->Name, "result");
  EXPECT_EQ(inOut.Result->TypeName, "Boolean");
  EXPECT_EQ(inOut.Outputs().size(), 2u);
  EXPECT_FALSE(Method(metadata, "TSample", "acceptOrder").HasOutputs());
  EXPECT_FALSE(Method(metadata, "TSample", "updateTable").InputsTravelInURL());
  EXPECT_EQ(ServerTypeName(TableType), "TDBXReader");
  EXPECT_EQ(ServerTypeName(99), "UNKNOWN(99)");
}

TEST_F(ProxyMetadataTest, TheGeneratorLeavesOutExcludedAndUnsupportedMethodsAndEmptyClasses) {
  test::TTempDir dir;
  TDSProxyGenerator generator;
  generator.Writer = JavaScriptRESTWriterName;
  generator.ExcludeClasses = {"DSMetadata"};
  generator.ExcludeMethods = {"plain_url", "cancelOrder"};
  generator.MetaDataProvider = [this] { return DSServerMetaData(FServer); };
  generator.TargetDirectory = dir.Path();
  generator.TargetUnitName = "client.js";
  generator.Write();
  const auto lines = Lines(dir.Read("client.js"));
  const auto has = [&lines](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has("  this.Plain = function(A) {"));
  EXPECT_FALSE(has("  this.Plain_URL = function(A) {"));  // excluded by name
  EXPECT_FALSE(has("  this.cancelOrder = function() {"));
  EXPECT_FALSE(has("  this.Cursor = function(C) {"));     // unsupported type
  EXPECT_FALSE(has("  this.GivesBytes = function() {"));
  // No outputs: a bare call, no result object.
  EXPECT_TRUE(has("    this.executor.executeMethod('Order', \"PUT\", [Id], arguments[1], false, "
                  "arguments[2], arguments[3]);"));
  // A table input cannot travel in the URL.
  EXPECT_TRUE(has("  this.updateTable = function(Data) {"));
  EXPECT_FALSE(has("  this.updateTable_URL = function(Data) {"));
  EXPECT_TRUE(has("   * @param Id [in/out] - Type on server: Integer"));
  EXPECT_TRUE(has("        resultObject.Id = resultArray[0];"));
  EXPECT_TRUE(has("  this.executor = new ServerFunctionExecutor(\"DSAdmin\",connectionInfo);"));
  EXPECT_FALSE(has("function dsmetadata(connectionInfo)"));
  EXPECT_FALSE(has("function TEmpty(connectionInfo)"));
  EXPECT_EQ(LinesFrom(lines, "var JSProxyClassList = {", 4),
            (std::vector<std::string>{
                "var JSProxyClassList = {",
                "  \"TSample\": [\"Plain\",\"acceptOrder\",\"UPDATEOrder\",\"update\",\"updateTable\"],",
                "  \"DSAdmin\": [\"acceptSomething\"]", "};"}));
}

TEST_F(ProxyMetadataTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  test::TTempDir dir;
  dir.Write("client.js", "old");
  TDSProxyGenerator generator;
  generator.Writer = "No Such Writer";
  generator.MetaDataProvider = [this] { return DSServerMetaData(FServer); };
  generator.TargetDirectory = dir.Path();
  generator.TargetUnitName = "client.js";
  ExpectThrowWithText([&] { generator.Write(); }, "No proxy writer is registered as \"No Such Writer\"");
  generator.Writer = JavaScriptRESTWriterName;
  generator.TargetDirectory = dir.Path() / "missing";
  EXPECT_THROW(generator.Write(), std::exception);
  EXPECT_EQ(dir.Read("client.js"), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(ProxyWriters, AreFoundByNameAndByLanguageKey) {
  const auto* byName = FindProxyWriter("Java Script REST");
  ASSERT_NE(byName, nullptr);
  EXPECT_EQ(byName->LanguageKey, "Java Script");
  EXPECT_EQ(byName->FileExtension, ".js");
  EXPECT_EQ(FindProxyWriterByKey("Java Script"), byName);
  EXPECT_EQ(FindProxyWriter("java script rest"), nullptr);
  EXPECT_EQ(FindProxyWriterByKey("java script"), nullptr);
}

}  // namespace
}  // namespace fieldsync
