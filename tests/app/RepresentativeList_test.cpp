// The representatives as the sync-activity page reads them, from a real
// embedded database through the program's connection settings.
#include "app/RepresentativeList.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/app/HostFixture.h"

namespace fieldsync::testing {
namespace {

class RepresentativeListTest : public HostFixture {
 protected:
  void CreateRepresentatives() {
    Exec("create table REPRESENTANTE (IDREPRESENTANTE integer not null primary key, IDFILIAL integer, "
         "NOME varchar(60), EXCLUIDO char(1))");
    Exec("insert into REPRESENTANTE values (1, 1, 'Jo\xC3\xA3o Carlos Ribeiro', null)");
    Exec("insert into REPRESENTANTE values (2, 1, 'Maria Aparecida', null)");
    Exec("insert into REPRESENTANTE values (3, 2, 'Ant\xC3\xB4nio', null)");
    Exec("insert into REPRESENTANTE values (4, 1, 'Sebasti\xC3\xA3o', 'S')");
    Exec("insert into REPRESENTANTE values (5, null, null, null)");
  }

  std::map<int32_t, TRepresentative> Read(int32_t branch) {
    std::map<int32_t, TRepresentative> rows;
    for (auto& row : ReadRepresentatives(branch)) rows[row.Id] = row;
    return rows;
  }
};

TEST_F(RepresentativeListTest, ReadsEveryRowWithItsBranchAndDeletion) {
  CreateRepresentatives();
  struct TExpected {
    int32_t Id;
    const char* Name;
    bool Deleted, OfBranch;
  };
  const TExpected expected[] = {{1, "Jo\xC3\xA3o Carlos Ribeiro", false, true},
                                {2, "Maria Aparecida", false, true},
                                {3, "Ant\xC3\xB4nio", false, false},
                                {4, "Sebasti\xC3\xA3o", true, true},
                                {5, "", false, true}};
  auto rows = Read(1);
  ASSERT_EQ(rows.size(), 5u);
  for (const auto& e : expected) {
    EXPECT_EQ(rows[e.Id].Name, e.Name) << e.Id;
    EXPECT_EQ(rows[e.Id].Deleted, e.Deleted) << e.Id;
    EXPECT_EQ(rows[e.Id].OfBranch, e.OfBranch) << e.Id;
  }
  rows = Read(2);
  EXPECT_FALSE(rows[1].OfBranch);
  EXPECT_TRUE(rows[3].OfBranch);
  EXPECT_TRUE(rows[5].OfBranch) << "a representative of no branch is every branch's";
}

TEST_F(RepresentativeListTest, ANewReadSeesTheChangedRows) {
  CreateRepresentatives();
  EXPECT_EQ(Read(1)[2].Name, "Maria Aparecida");
  Exec("update REPRESENTANTE set NOME = 'Maria Aparecida D''\xC3\x81vila' where IDREPRESENTANTE = 2");
  Exec("update REPRESENTANTE set EXCLUIDO = 'S' where IDREPRESENTANTE = 1");
  auto rows = Read(1);
  EXPECT_EQ(rows[2].Name, "Maria Aparecida D'\xC3\x81vila");
  EXPECT_TRUE(rows[1].Deleted);
}

TEST_F(RepresentativeListTest, AReadThatFailsRaisesTheDatabaseMessage) {
  // The options database has no REPRESENTANTE table.
  try {
    ReadRepresentatives(1);
    FAIL() << "read a table that is gone";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("REPRESENTANTE"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace fieldsync::testing
