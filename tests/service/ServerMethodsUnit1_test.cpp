// The service module itself: creation (copied host values, its own
// connection, a connection that cannot open), the read pattern's failure
// behaviour and the two diagnostic methods.
#include <gtest/gtest.h>

#include "ServiceDatabase.h"
#include "core/Error.h"
#include "db/DBXError.h"

namespace fieldsync::test {
namespace {

TEST(ServiceModule, EchoesAndReversesCodeUnits) {
  auto service = Db().Service();
  const struct {
    std::u16string value, reversed;
  } cases[] = {
      {u"", u""},
      {u"abc", u"cba"},
      {u"Jos\u00e9 d'\u00c1vila", u"alivÁ'd ésoJ"},
      // A character outside the basic plane is two code units; they come out swapped.
      {u"a\U0001F600b", std::u16string{u'b', 0xDE00, 0xD83D, u'a'}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(service->EchoString(c.value), c.value);
    EXPECT_EQ(service->ReverseString(c.value), c.reversed);
  }
}

TEST(ServiceModule, CopiesHostValuesWhenCreated) {
  Db();  // the test database and the definitions files that name it
  THostValues host;
  host.IDFilial = 1;
  host.DiasEmAtraso = 0;
  TServerMethods1 before(host);
  host.DiasEmAtraso = 30;  // the window changes the threshold
  TServerMethods1 after(host);
  // Client 100 has unpaid receivables 40, 5, 1 and 1 days overdue in branch 1.
  EXPECT_EQ(ReadTable(before.GetAtrasoCliente(100)).Rows, (std::vector<TRow>{{"4"}}));
  EXPECT_EQ(ReadTable(after.GetAtrasoCliente(100)).Rows, (std::vector<TRow>{{"1"}}));
  host.IDFilial = 2;
  TServerMethods1 otherBranch(host);
  EXPECT_EQ(ReadTable(otherBranch.GetAtrasoCliente(100)).Rows, (std::vector<TRow>{{"1"}}));
}

TEST(ServiceModule, ConnectionThatCannotOpenFailsCreation) {
  THostValues host;
  {
    const TMissingDatabase missing(Db().Scratch());
    EXPECT_THROW(TServerMethods1 service(host), TDBXError);
  }
  EXPECT_NO_THROW(TServerMethods1 service(host));
}

TEST(ServiceModule, ReadersStayValidWhileTheInstanceLives) {
  auto service = Db().Service();
  // Two readers of one instance, read after each other.
  auto first = service->GetAtividade();
  auto second = service->GetCidade();
  EXPECT_EQ(ReadTable(std::move(second)).Rows, (std::vector<TRow>{{"1", "São Paulo"}}));
  EXPECT_EQ(ReadTable(std::move(first)).Rows, (std::vector<TRow>{{"1", "Mercado"}}));
}

// A suite of its own, so a database of its own: there no statement that an
// earlier test left prepared on a kept attachment holds the table, which
// Firebird would refuse to drop ("object in use") when the whole program
// runs in one process.
TEST(ServiceModuleDroppedTable, ReadWhoseStatementFailsRaisesTheDatabaseError) {
  Db().Execute("drop table ATIVIDADE");
  try {
    Db().Service()->GetAtividade();
    ADD_FAILURE() << "no error";
  } catch (const TDBXError& e) {
    EXPECT_NE(std::string(e.what()).find("ATIVIDADE"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace fieldsync::test
