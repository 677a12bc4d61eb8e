#pragma once
// TServerMethods1: the one class whose public methods the REST layer exposes,
// one method per REST call. Read methods (Get...) run one SQL query on the
// instance's own database connection and hand back the open reader; write
// methods (Set..., RecebendoPalmAfa, DeletaLogAndroid) run the instance's
// parameterised statements and answer true or false, most with an error text
// in Erro.
//
// A fresh instance serves one request on one thread and is destroyed at its
// end: nothing of it carries over to the next call. Instances running at the
// same time share nothing but the database.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "core/Currency.h"
#include "db/DBXReader.h"
#include "service/HostValues.h"

namespace fieldsync {

class TSQLConnection;
struct TServerMethods1Components;

class TServerMethods1 {
 public:
  // Creates the connection DMESTOQUE (opened here; a failure to connect
  // propagates as an exception), then runs DSServerModuleCreate, which
  // copies the branch and the overdue threshold from `host`. The statement
  // components follow at the first write method.
  explicit TServerMethods1(const THostValues& host);
  ~TServerMethods1();
  TServerMethods1(const TServerMethods1&) = delete;
  TServerMethods1& operator=(const TServerMethods1&) = delete;

  // The SQL text of the last read this instance opened, as the database
  // received it (markers filled); what the check against the copies in
  // database/statements.sql reads. Empty before the first read.
  const std::u16string& LastReadSql() const { return FLastReadSql; }

  // Readers: the caller owns the reader. The command that produced it stays
  // with the instance's connection, so the reader must be consumed (and may
  // be freed) while the instance is alive.

  std::u16string EchoString(const std::u16string& Value);
  std::u16string ReverseString(const std::u16string& Value);

  // Reference data.
  std::unique_ptr<TDBXReader> GetCondPagto();
  std::unique_ptr<TDBXReader> GetFormaPagto();
  std::unique_ptr<TDBXReader> GetCidade();
  std::unique_ptr<TDBXReader> GetAtividade();
  std::unique_ptr<TDBXReader> GetConvenio();
  std::unique_ptr<TDBXReader> GetRegiao();
  std::unique_ptr<TDBXReader> GetCondPagtoCliente(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetFormaPagtoCliente(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetCPFCNPJ();
  std::unique_ptr<TDBXReader> GetCondPagtoSN(int32_t IDCondPagto);
  std::unique_ptr<TDBXReader> GetFormaPagtoSN(int32_t IDFormaPagto);
  std::unique_ptr<TDBXReader> GetCidadeSN(int32_t IDCidade);
  std::unique_ptr<TDBXReader> GetAtividadeSN(int32_t IDAtividade);
  std::unique_ptr<TDBXReader> GetConvenioSN(int32_t IDConvenio);
  std::unique_ptr<TDBXReader> GetRegiaoSN(int32_t IDRegiao);
  std::unique_ptr<TDBXReader> GetCondPagtoClienteSN(int32_t IDCliente, int32_t IDCondPagto);
  std::unique_ptr<TDBXReader> GetFormaPagtoClienteSN(int32_t IDCliente, int32_t IDFormaPagto);
  std::unique_ptr<TDBXReader> GetCPFCNPJSN(int32_t IDCliente);

  // Products and price lists.
  std::unique_ptr<TDBXReader> GetClienteProduto(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetProduto();
  std::unique_ptr<TDBXReader> GetTabelaPreco();
  std::unique_ptr<TDBXReader> GetTabelaPrecoItem();
  std::unique_ptr<TDBXReader> GetTabelaPrecoRep(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetTabelaPrecoItemRep(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetProdutoUndMed();
  std::unique_ptr<TDBXReader> GetProdutoConsig(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetProdutoSN(int32_t IDProduto);
  std::unique_ptr<TDBXReader> GetProdutoConsigSN(int32_t IDConsignacao, int32_t IDProduto);
  std::unique_ptr<TDBXReader> GetProdutoUndMedSN(int32_t IDProduto, int32_t IDUnidadeMedida);
  std::unique_ptr<TDBXReader> GetClienteProdutoSN(int32_t IDCliente, int32_t IDProduto);
  std::unique_ptr<TDBXReader> GetTabelaPrecoSN(int32_t IDTabelaPreco);
  std::unique_ptr<TDBXReader> GetTabelaPrecoItemSN(int32_t IDTabelaPreco, int32_t IDProduto);

  // Clients.
  std::unique_ptr<TDBXReader> GetCliente(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetTodosClientes();
  std::unique_ptr<TDBXReader> GetAtrasoCliente(int32_t IDCliente);
  std::unique_ptr<TDBXReader> GetClienteSN(int32_t IDCliente);
  std::unique_ptr<TDBXReader> GetAtrasoClienteSN(int32_t IDRepresentante);
  bool SetCliente(int32_t IDRepresentante, int32_t IDCliente, int32_t IDCidade, int32_t IDConvenio,
                  int32_t IDRegiao, int32_t IDAtividade, const std::u16string& Razao,
                  const std::u16string& Fantasia, const std::u16string& Endereco, const std::u16string& Cep,
                  const std::u16string& Bairro, const std::u16string& TipoCliente, const std::u16string& Cnpj,
                  const std::u16string& Ie, const std::u16string& Cpf, const std::u16string& Rg,
                  const std::u16string& Fone, const std::u16string& Fax, const std::u16string& Celular,
                  const std::u16string& Email, const std::u16string& Alterado,
                  const std::u16string& Cliente_Contribuinte, std::u16string& Erro);
  bool SetIDClienteTmpNull(int32_t IDClienteTmp, int32_t IDRepresentante);

  // Order upload.
  std::unique_ptr<TDBXReader> GetChavePedido(int32_t IDRepresentante, int32_t IDPedidoPalm);
  bool SetIDPedidoPalm(int32_t IDPedido, int32_t IDFolha, int32_t IDPedidoPalm);
  bool SetPedido(int32_t IDRepresentante, int32_t IDPedidoPalm, int32_t IDFormaPagto, int32_t IDCondicaoPagto,
                 int32_t IDTabelaPreco, int32_t IDCliente, int32_t Parcela, int32_t IDConsignacao,
                 int32_t IDCidade, int32_t IDAtividade, int32_t IDConvenio, int32_t IDRegiao,
                 const std::u16string& DtEmissao, const std::u16string& SitPedido, const std::u16string& NmRazao,
                 const std::u16string& NmFantasia, const std::u16string& Endereco, const std::u16string& Cep,
                 const std::u16string& Bairro, const std::u16string& TipoCliente, const std::u16string& Cnpj,
                 const std::u16string& IE, const std::u16string& Cpf, const std::u16string& Rg,
                 const std::u16string& Fone, const std::u16string& Celular, const std::u16string& Email,
                 const std::u16string& Cliente_Contribuinte, TCurrency TotalPedido, std::u16string& Erro);
  bool SetPedido2(int32_t IDRepresentante, int32_t IDPedidoPalm, const std::u16string& Observacao,
                  std::u16string& Erro);
  bool SetPedido2_Novo(int32_t IDRepresentante, int32_t IDPedidoPalm, int32_t Prazo,
                       const std::u16string& Observacao, std::u16string& Erro);
  bool SetItensPedido(int32_t IDRepresentante, int32_t IDPedidoPalm, int32_t UnidadeMedida, int32_t IDProduto,
                      TCurrency QtdePedido, TCurrency ValorUnitario, TCurrency Desconto,
                      TCurrency ValorUnitarioTabela, const std::u16string& Observacao, std::u16string& Erro);
  bool RecebendoPalmAfa(int32_t IDRepresentante, std::u16string& Erro);

  // Order history and status.
  std::unique_ptr<TDBXReader> GetSituacaoPedido(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetUltimosPedido(int32_t IDCliente);
  std::unique_ptr<TDBXReader> GetUltimosItensPedido(int32_t IDPedido);
  std::unique_ptr<TDBXReader> GetUltPedidosTodasFolhas(int32_t IDCliente);
  std::unique_ptr<TDBXReader> GetUltItensPedidoTodasFolhas(int32_t IDPedido, int32_t IDFolha);
  std::unique_ptr<TDBXReader> GetPedidoSN(int32_t IDPedido, int32_t IDFolha);
  std::unique_ptr<TDBXReader> GetItensPedidoSN(int32_t IDPedido, int32_t IDFolha);
  std::unique_ptr<TDBXReader> GetUltPedidosSN(int32_t IDCliente);
  std::unique_ptr<TDBXReader> GetDevolucaoSN(int32_t IDPedido, int32_t IDFolha);
  bool SetSituacaoPedido(int32_t IDRepresentante, int32_t IDPedido);

  // Receivables and bank slips.
  std::unique_ptr<TDBXReader> GetRecCaminhoFTPPed(int32_t IDRepresentante, int32_t IDPedidoPalm);
  std::unique_ptr<TDBXReader> GetReceber(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetBoleto(int32_t IDRepresentante, int32_t IDPedido);
  bool SetReceber(const std::u16string& DataPagamento, const std::u16string& F_Parcial, TCurrency ValorJuros,
                  TCurrency ValorPagamento, int32_t IDFormaPagto, int32_t IDCaixa, int32_t IDReceber,
                  int32_t IDFolha, int32_t IDOrdem, int32_t IDParcial, std::u16string& Erro);

  // Representatives, branch settings, devices and change log.
  std::unique_ptr<TDBXReader> GetRepresentante(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetFilial();
  std::unique_ptr<TDBXReader> GetFilialRep(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetCelulares(const std::u16string& IMEI, const std::u16string& Representante);
  std::unique_ptr<TDBXReader> GetSenhaPalmRep(int32_t IDRepresentante);
  std::unique_ptr<TDBXReader> GetSenhaPalm();
  std::unique_ptr<TDBXReader> GetTodosRepresentantes();
  std::unique_ptr<TDBXReader> GetLogAndroid(int32_t IDRepresentante, const std::u16string& Tipo);
  bool DeletaLogAndroid(int32_t IDRepresentante, int32_t ID, int32_t ID_2, const std::u16string& Tipo);
  bool SetRepresentante(int32_t IDRepresentante, int32_t IDPedidoPalm);
  bool SetCelulares(const std::u16string& IMEI, const std::u16string& Representante);
  bool SetSenhaPalm(int32_t IDRepresentante, const std::u16string& Senha);

 private:
  // Copies IDFilial and DiasEmAtraso from the host window's values.
  void DSServerModuleCreate(const THostValues& host);

  // The read pattern: opens DMESTOQUE when closed, creates and prepares a new
  // command for the SQL text (timeout 120 seconds when `timeout120`, kept on the
  // command only) and returns its reader.
  // `pattern` holds markers {0}, {1}, ... for the quoted `args` (see FillSql).
  std::unique_ptr<TDBXReader> OpenReader(std::u16string_view pattern, bool timeout120,
                                         std::initializer_list<std::u16string_view> args = {});

  // The values copied from the host window at creation.
  int32_t IDFilial = 0;
  int32_t DiasEmAtraso = 0;

  // The statement components, built at the first write method's use: a read
  // call (most calls) never needs them, and building them allocates a few
  // hundred parameter objects.
  TServerMethods1Components& Components();

  std::unique_ptr<TSQLConnection> DMESTOQUE;
  std::unique_ptr<TServerMethods1Components> FComponents;  // see Components()
  std::u16string FLastReadSql;  // see LastReadSql()
};

}  // namespace fieldsync
