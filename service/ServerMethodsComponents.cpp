#include "service/internal/ServerMethodsComponents.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "core/Error.h"

namespace fieldsync {

namespace {

constexpr TFieldType I = TFieldType::ftInteger;
constexpr TFieldType T = TFieldType::ftWideString;
constexpr TFieldType D = TFieldType::ftDate;
constexpr TFieldType H = TFieldType::ftTime;
constexpr TFieldType C = TFieldType::ftCurrency;
constexpr TFieldType M = TFieldType::ftMemo;

using TParamTypes = std::initializer_list<std::pair<const char*, TFieldType>>;

// Sets the statement and declares the type of each of its parameters. The
// declarations must name every parameter of the text, so that a statement and
// its list cannot drift apart unnoticed.
void Define(TSQLDataSet& dataSet, std::u16string_view sql, TParamTypes types) {
  dataSet.SetCommandText(sql);
  for (const auto& [name, type] : types) dataSet.ParamByName(name).SetDataType(type);
  if (dataSet.Params().Count() != static_cast<int32_t>(types.size()))
    throw Exception("Statement parameters and their declared types differ");
}

}  // namespace

void TClienteTmpRows::Open() {
  FRows.clear();
  FSource.Close();
  FSource.Open();
  while (!FSource.Eof()) {
    FRows.push_back({FSource.FieldByName("IDCLIENTE").AsInteger(), FSource.FieldByName("IDCLIENTE_PALM").AsInteger()});
    FSource.Next();
  }
  FSource.Close();
}

TServerMethods1Components::TServerMethods1Components(TSQLConnection& connection)
    : dstInsertPedido(connection),
      dstInsertItensPedido(connection),
      dstSelectPedido(connection),
      dstSelectItensPedido(connection),
      dstUpdateCliente(connection),
      dstSelectCliente(connection),
      dstInsertCliente(connection),
      dstClienteTmp(connection),
      cdsClienteTmp(dstClienteTmp),
      dstUpdateClienteTmp(connection),
      dstRecebendoPalmAFA(connection),
      dstUpdateRepresentante(connection),
      dstSelectCelulares(connection),
      dstInsertCelulares(connection),
      dstUpdateCelulares(connection),
      dstPesFilial(connection),
      dstSetSenhaPalm(connection),
      dstVerificaCNPJ(connection),
      dstVerificaCPF(connection),
      dstUpdateReceber(connection),
      dstInsertClientePalm(connection),
      dstUpdateSituacaoPedido(connection),
      dstDeletaLogAndroid(connection),
      dstUpdateIDPedidoPalm(connection),
      dstUpdatePedido(connection) {
  Define(dstInsertPedido, dstInsertPedidoSql,
         {{"IDFILIAL", I},        {"IDREPRESENTANTE", I}, {"IDPEDIDOPALM", I},         {"DTEMISSAO", D},
          {"IDFORMAPAGTO", I},    {"SITPEDIDO", T},       {"IDCONDICAOPAGTO", I},      {"IDTABELAPRECO", I},
          {"IDCLIENTE", I},       {"DATAPEDIDO", D},      {"TOTAL_PEDIDO", C},         {"TOTAL_DESCONTO", C},
          {"PARCELA", I},         {"NATOPERACAO", T},     {"TOTAL_COM_DESCONTO", C},   {"IDCONSIGNACAO", I},
          {"NMRAZAO", T},         {"NMFANTASIA", T},      {"ENDERECO", T},             {"CEP", T},
          {"BAIRRO", T},          {"IDCIDADE", I},        {"TIPOCLIENTE", T},          {"CNPJ", T},
          {"IE", T},              {"CPF", T},             {"RG", T},                   {"FONE", T},
          {"FAX", T},             {"CELULAR", T},         {"EMAIL", T},                {"IDATIVIDADE", I},
          {"IDCONVENIO", I},      {"IDREGIAO", I},        {"CLIENTE_CONTRIBUINTE", T}, {"OBS_EXTENSO", T}});
  Define(dstInsertItensPedido, dstInsertItensPedidoSql,
         {{"IDFILIAL", I}, {"IDREPRESENTANTE", I}, {"IDPEDIDOPALM", I}, {"UNIDADEMEDIDA", I},
          {"QTDEPEDIDO", C}, {"VALORUNITARIO", C}, {"DESCONTO", C}, {"VALORUNITARIOTABELA", C},
          {"IDPRODUTO", I}, {"OBSERVACAO", T}});
  Define(dstSelectPedido, dstSelectPedidoSql, {{"IDFILIAL", I}, {"IDPEDIDOPALM", I}, {"IDREPRESENTANTE", I}});
  Define(dstSelectItensPedido, dstSelectItensPedidoSql,
         {{"IDFILIAL", I}, {"IDPEDIDOPALM", I}, {"IDPRODUTO", I}, {"IDREPRESENTANTE", I}});
  Define(dstUpdateCliente, dstUpdateClienteSql,
         {{"NOME", T}, {"FANTASIA", T}, {"ENDERECO", T}, {"CEP", T}, {"BAIRRO", T}, {"IDCIDADE", I},
          {"TIPOCLIENTE", T}, {"CNPJ", T}, {"INSESTADUAL", T}, {"CPF", T}, {"RG", T}, {"FONE", T},
          {"FAX", T}, {"CELULAR", T}, {"EMAIL", T}, {"IDCONVENIO", I}, {"IDREGIAO", I}, {"IDATIVIDADE", I},
          {"CLIENTE_CONTRIBUINTE", T}, {"IDCLIENTE", I}});
  Define(dstSelectCliente, dstSelectClienteSql, {{"IDCLIENTE", I}});
  Define(dstInsertCliente, dstInsertClienteSql,
         {{"IDFILIAL", I}, {"IDCLIENTE", I}, {"IDCONVENIO", I}, {"IDCIDADE", I}, {"IDREGIAO", I},
          {"IDATIVIDADE", I}, {"NOME", T}, {"FANTASIA", T}, {"ENDERECO", T}, {"BAIRRO", T}, {"CEP", T},
          {"CNPJ", T}, {"INSESTADUAL", T}, {"CPF", T}, {"RG", T}, {"FONE", T}, {"FAX", T}, {"CELULAR", T},
          {"EMAIL", T}, {"DTCADASTRO", D}, {"TIPOCLIENTE", T}, {"IDREPRESENTANTE", I}, {"IDCLIENTE_PALM", I},
          {"IDREPRESENTANTE_PALM", I}, {"CLIENTE_CONTRIBUINTE", T}});
  Define(dstClienteTmp, dstClienteTmpSql, {{"IDCLIENTE_PALM", I}, {"IDREPRESENTANTE_PALM", I}});
  Define(dstUpdateClienteTmp, dstUpdateClienteTmpSql, {{"IDCLIENTE_PALM", I}, {"IDREPRESENTANTE_PALM", I}});

  dstRecebendoPalmAFA.StoredProcName = "RECEBENDO_PALM_AFA";
  dstRecebendoPalmAFA.Params().CreateParam(I, "IDFILIAL", TParamType::ptInput);
  dstRecebendoPalmAFA.Params().CreateParam(D, "DATAIMPORT", TParamType::ptInput);
  dstRecebendoPalmAFA.Params().CreateParam(I, "IDREPRESENTANTE", TParamType::ptInput);
  dstRecebendoPalmAFA.Params().CreateParam(I, "IDPEDIDO", TParamType::ptOutput);

  Define(dstUpdateRepresentante, dstUpdateRepresentanteSql, {{"IDPEDIDOPALM", I}, {"IDREPRESENTANTE", I}});
  Define(dstSelectCelulares, dstSelectCelularesSql, {{"CNPJ", T}, {"IMEI", T}});
  Define(dstInsertCelulares, dstInsertCelularesSql,
         {{"CNPJ", T}, {"IMEI", T}, {"REPRESENTANTE", T}, {"DT_PRIMEIRO_ACESSO", D}, {"DT_ULTIMO_ACESSO", D}});
  Define(dstUpdateCelulares, dstUpdateCelularesSql,
         {{"DT_ULTIMO_ACESSO", D}, {"REPRESENTANTE", T}, {"CNPJ", T}, {"IMEI", T}});
  Define(dstPesFilial, dstPesFilialSql, {{"IDFILIAL", I}});
  Define(dstSetSenhaPalm, dstSetSenhaPalmSql,
         {{"status", T}, {"dtdeuso", D}, {"idfilial", I}, {"idrepresentante", I}, {"senha", T}});
  Define(dstVerificaCNPJ, dstVerificaCNPJSql, {{"CNPJ", T}});
  Define(dstVerificaCPF, dstVerificaCPFSql, {{"CPF", T}});
  Define(dstUpdateReceber, dstUpdateReceberSql,
         {{"DATAPAGAMENTO", D}, {"VALORJUROS", C}, {"VALORPAGAMENTO", C}, {"IDFORMAPAGTO", I}, {"F_PARCIAL", T},
          {"IDCAIXA", I}, {"IDFILIAL", I}, {"IDRECEBER", I}, {"IDFOLHA", I}, {"IDORDEM", I}, {"IDPARCIAL", I}});
  Define(dstInsertClientePalm, dstInsertClientePalmSql,
         {{"IDFILIAL", I},    {"IDCLIENTE", I},     {"NMRAZAO", T},       {"NMFANTASIA", T},
          {"ENDERECO", T},    {"NUMERO", T},        {"CEP", T},           {"BAIRRO", T},
          {"IDCIDADE", I},    {"TIPOCLIENTE", T},   {"CNPJ", T},          {"IE", T},
          {"CPF", T},         {"RG", T},            {"FONE", T},          {"FAX", T},
          {"CELULAR", T},     {"EMAIL", T},         {"ALTERADO", T},      {"IDATIVIDADE", I},
          {"IDCONVENIO", I},  {"IDREGIAO", I},      {"IDTABELAPRECO", I}, {"CONTRIBUINTE", T},
          {"CLIENTE_CONTRIBUINTE", T}, {"IDREPRESENTANTE", I}, {"DATA_IMPORT", D}, {"HORA_IMPORT", H}});
  Define(dstUpdateSituacaoPedido, dstUpdateSituacaoPedidoSql,
         {{"MOBILE_STATUS", T}, {"IDFILIAL", I}, {"IDPEDIDO", I}, {"IDREPRESENTANTE", I}});
  Define(dstDeletaLogAndroid, dstDeletaLogAndroidSql,
         {{"IDFILIAL", I}, {"IDREPRESENTANTE", I}, {"TIPO", T}, {"ID", I}});
  Define(dstUpdateIDPedidoPalm, dstUpdateIDPedidoPalmSql,
         {{"IDPEDIDOPALM", I}, {"IDFILIAL", I}, {"IDPEDIDO", I}, {"IDFOLHA", I}});
  Define(dstUpdatePedido, dstUpdatePedidoSql,
         {{"OBS_EXTENSO", M}, {"PRAZO", I}, {"IDFILIAL", I}, {"IDREPRESENTANTE", I}, {"IDPEDIDOPALM", I}});
}

std::vector<TStatementText> StatementTexts() {
  const auto text = [](std::u16string_view sql) { return std::u16string(sql); };
  return {
      {"dstInsertPedido", text(dstInsertPedidoSql)},
      {"dstInsertItensPedido", text(dstInsertItensPedidoSql)},
      {"dstSelectPedido", text(dstSelectPedidoSql)},
      {"dstSelectItensPedido", text(dstSelectItensPedidoSql)},
      {"dstUpdateCliente", text(dstUpdateClienteSql)},
      {"dstSelectCliente", text(dstSelectClienteSql)},
      {"dstInsertCliente", text(dstInsertClienteSql)},
      {"dstClienteTmp", text(dstClienteTmpSql)},
      {"dstUpdateClienteTmp", text(dstUpdateClienteTmpSql)},
      {"dstUpdateRepresentante", text(dstUpdateRepresentanteSql)},
      {"dstSelectCelulares", text(dstSelectCelularesSql)},
      {"dstInsertCelulares", text(dstInsertCelularesSql)},
      {"dstUpdateCelulares", text(dstUpdateCelularesSql)},
      {"dstPesFilial", text(dstPesFilialSql)},
      {"dstSetSenhaPalm", text(dstSetSenhaPalmSql)},
      {"dstVerificaCNPJ", text(dstVerificaCNPJSql)},
      {"dstVerificaCPF", text(dstVerificaCPFSql)},
      {"dstUpdateReceber", text(dstUpdateReceberSql)},
      {"dstInsertClientePalm", text(dstInsertClientePalmSql)},
      {"dstUpdateSituacaoPedido", text(dstUpdateSituacaoPedidoSql)},
      {"dstDeletaLogAndroid", text(dstDeletaLogAndroidSql)},
      {"dstDeletaLogAndroid with ID_2", text(dstDeletaLogAndroidSql) + text(DeletaLogAndroidId2Condition)},
      {"dstUpdateIDPedidoPalm", text(dstUpdateIDPedidoPalmSql)},
      {"dstUpdatePedido", text(dstUpdatePedidoSql)},
  };
}

}  // namespace fieldsync
