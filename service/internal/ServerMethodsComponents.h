#pragma once
// The statement components of a TServerMethods1 instance: parameterised
// statements fixed at design time, all running on the instance's DMESTOQUE
// connection. Private to the service library.
//
// Each statement's text is a named constant next to the method that runs it;
// the parameter types are declared where the components are built.

#include <string>
#include <string_view>
#include <vector>

#include "db/SQLConnection.h"
#include "db/SQLDataSet.h"

namespace fieldsync {

// Whether a read method sets its command's timeout to 120 seconds (kept on the
// command, never applied).
constexpr bool Timeout120 = true;
constexpr bool NoTimeout = false;

// The statement texts.
extern const std::u16string_view dstInsertPedidoSql;
extern const std::u16string_view dstInsertItensPedidoSql;
extern const std::u16string_view dstSelectPedidoSql;
extern const std::u16string_view dstSelectItensPedidoSql;
extern const std::u16string_view dstUpdateClienteSql;
extern const std::u16string_view dstSelectClienteSql;
extern const std::u16string_view dstInsertClienteSql;
extern const std::u16string_view dstClienteTmpSql;
extern const std::u16string_view dstUpdateClienteTmpSql;
extern const std::u16string_view dstUpdateRepresentanteSql;
extern const std::u16string_view dstSelectCelularesSql;
extern const std::u16string_view dstInsertCelularesSql;
extern const std::u16string_view dstUpdateCelularesSql;
extern const std::u16string_view dstPesFilialSql;
extern const std::u16string_view dstSetSenhaPalmSql;
extern const std::u16string_view dstVerificaCNPJSql;
extern const std::u16string_view dstVerificaCPFSql;
extern const std::u16string_view dstUpdateReceberSql;
extern const std::u16string_view dstInsertClientePalmSql;
extern const std::u16string_view dstUpdateSituacaoPedidoSql;
extern const std::u16string_view dstDeletaLogAndroidSql;
extern const std::u16string_view dstUpdateIDPedidoPalmSql;
extern const std::u16string_view dstUpdatePedidoSql;
// The condition DeletaLogAndroid adds to dstDeletaLogAndroid when the caller
// names the entry's second id.
extern const std::u16string_view DeletaLogAndroidId2Condition;

// Each statement component's text by the component's name, and the texts a
// method builds from them by the name of that variant ("dstDeletaLogAndroid
// with ID_2"), for the check against the copies in database/statements.sql.
// The stored procedure's call is not here: the driver writes its text.
struct TStatementText {
  std::string_view Name;
  std::u16string Sql;
};
std::vector<TStatementText> StatementTexts();

// An in-memory copy of dstClienteTmp's result (fields IDCLIENTE and
// IDCLIENTE_PALM), filled each time it is opened.
class TClienteTmpRows {
 public:
  explicit TClienteTmpRows(TSQLDataSet& source) : FSource(source) {}

  void Close() { FRows.clear(); }
  // Runs the source query with the parameters bound on it and copies its rows.
  void Open();
  bool IsEmpty() const { return FRows.empty(); }
  // The first row's IDCLIENTE; only valid when not empty.
  int32_t FirstIDCliente() const { return FRows.front().IDCliente; }

 private:
  struct TRow {
    int32_t IDCliente;
    int32_t IDClientePalm;
  };
  TSQLDataSet& FSource;
  std::vector<TRow> FRows;
};

struct TServerMethods1Components {
  explicit TServerMethods1Components(TSQLConnection& connection);

  TSQLDataSet dstInsertPedido;
  TSQLDataSet dstInsertItensPedido;
  TSQLDataSet dstSelectPedido;
  TSQLDataSet dstSelectItensPedido;
  TSQLDataSet dstUpdateCliente;
  TSQLDataSet dstSelectCliente;
  TSQLDataSet dstInsertCliente;
  TSQLDataSet dstClienteTmp;
  TClienteTmpRows cdsClienteTmp;
  TSQLDataSet dstUpdateClienteTmp;
  TSQLStoredProc dstRecebendoPalmAFA;
  TSQLDataSet dstUpdateRepresentante;
  TSQLDataSet dstSelectCelulares;
  TSQLDataSet dstInsertCelulares;
  TSQLDataSet dstUpdateCelulares;
  TSQLDataSet dstPesFilial;
  TSQLDataSet dstSetSenhaPalm;
  TSQLDataSet dstVerificaCNPJ;
  TSQLDataSet dstVerificaCPF;
  TSQLDataSet dstUpdateReceber;
  TSQLDataSet dstInsertClientePalm;
  TSQLDataSet dstUpdateSituacaoPedido;
  TSQLDataSet dstDeletaLogAndroid;
  TSQLDataSet dstUpdateIDPedidoPalm;
  TSQLDataSet dstUpdatePedido;
};


}  // namespace fieldsync
