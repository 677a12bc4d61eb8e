// The method table of TServerMethods1: the facts each registration row
// carries, and how they reach the request's activity record.
#include "rest/ServerMethodsRegistration.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "activity/RequestRecord.h"
#include "rest/internal/DSActivity.h"

using namespace fieldsync;

namespace {

class ServerMethodsRegistrationTest : public ::testing::Test {
 protected:
  ServerMethodsRegistrationTest() { RegisterServerMethods1(Server, Host); }

  const TDSMethodEntry& Method(const std::u16string& name) { return Server.Resolve(u"TServerMethods1." + name); }

  THostValues Host;
  TDSServer Server;
};

TEST_F(ServerMethodsRegistrationTest, DownloadsCarryTheirKindOnTheirRow) {
  const std::pair<std::u16string, const char*> cases[] = {
      {u"GetCliente", "clients"},         {u"GetTodosClientes", "clients"},     {u"GetClienteSN", "clients"},
      {u"GetProduto", "products"},        {u"GetClienteProduto", "products"},   {u"GetProdutoConsigSN", "products"},
      {u"GetTabelaPrecoRep", "prices"},   {u"GetTabelaPrecoItemSN", "prices"},  {u"GetUltimosPedido", "orders"},
      {u"GetSituacaoPedido", "orders"},   {u"GetChavePedido", "orders"},        {u"GetItensPedidoSN", "orders"},
      {u"EchoString", nullptr},           {u"GetAtividade", nullptr},           {u"GetReceber", nullptr},
      {u"SetPedido", nullptr},            {u"SetCliente", nullptr},             {u"GetLogAndroid", nullptr},
  };
  for (const auto& [name, kind] : cases) {
    const std::optional<TDownloadKind> download = Method(name).Download;
    const std::string label(name.begin(), name.end());
    if (kind) {
      ASSERT_TRUE(download) << label;
      EXPECT_STREQ(DownloadKindName(*download), kind) << label;
    } else {
      EXPECT_FALSE(download) << label;
    }
  }
}

TEST_F(ServerMethodsRegistrationTest, TheResolvedMethodsKindGoesIntoTheRequestRecord) {
  TRequestRecord record;
  TCurrentRequestRecord current(record);
  NoteMethodResolved(Method(u"GetTabelaPreco"));
  ASSERT_TRUE(record.Download);
  EXPECT_EQ(*record.Download, TDownloadKind::Prices);
  NoteMethodResolved(Method(u"SetPedido"));
  EXPECT_FALSE(record.Download);
}

}  // namespace
