#include "app/RepresentativeList.h"

#include "core/Text.h"
#include "db/SQLConnection.h"
#include "db/SQLDataSet.h"

namespace fieldsync {

namespace {

constexpr std::u16string_view SelectRepresentativesSql =
    u"select IDREPRESENTANTE, NOME, IDFILIAL, EXCLUIDO from REPRESENTANTE";

}  // namespace

std::vector<TRepresentative> ReadRepresentatives(int32_t branch) {
  TSQLConnection connection;
  connection.Open();
  TSQLDataSet query(connection);
  query.SetCommandText(SelectRepresentativesSql);
  query.Open();
  std::vector<TRepresentative> rows;
  for (; !query.Eof(); query.Next()) {
    TRepresentative row;
    row.Id = query.FieldByName("IDREPRESENTANTE").AsInteger();
    row.Name = Utf16ToUtf8(query.FieldByName("NOME").AsString());
    const auto& filial = query.FieldByName("IDFILIAL");
    row.OfBranch = filial.IsNull() || filial.AsInteger() == branch;
    row.Deleted = !query.FieldByName("EXCLUIDO").IsNull();
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace fieldsync
