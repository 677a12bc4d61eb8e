#include "rest/ServerMethodsRegistration.h"

#include <initializer_list>
#include <optional>
#include <tuple>
#include <utility>

#include "core/Error.h"
#include "db/DBXReader.h"
#include "db/SQLConnection.h"
#include "service/ServerMethodsUnit1.h"

namespace fieldsync {

namespace {

using namespace TDBXDataTypes;

// How one C++ parameter type of a server method is bound: its data type,
// direction, the local that holds it during the call, and how the value
// goes in and comes back out.
template <class T>
struct TArgument;

template <>
struct TArgument<int32_t> {
  static constexpr int Type = Int32Type;
  static constexpr TDSParamDirection Direction = TDSParamDirection::In;
  using Holder = int32_t;
  static Holder Get(TDSValue& v) { return v.AsInt32(); }
  static void Put(TDSValue&, Holder&) {}
};

template <>
struct TArgument<const std::u16string&> {
  static constexpr int Type = WideStringType;
  static constexpr TDSParamDirection Direction = TDSParamDirection::In;
  using Holder = std::u16string;
  static Holder Get(TDSValue& v) { return v.AsString(); }
  static void Put(TDSValue&, Holder&) {}
};

template <>
struct TArgument<TCurrency> {
  static constexpr int Type = CurrencyType;
  static constexpr TDSParamDirection Direction = TDSParamDirection::In;
  using Holder = TCurrency;
  static Holder Get(TDSValue& v) { return v.AsCurrency(); }
  static void Put(TDSValue&, Holder&) {}
};

// An out parameter: the method sets it, the caller sends nothing for it.
template <>
struct TArgument<std::u16string&> {
  static constexpr int Type = WideStringType;
  static constexpr TDSParamDirection Direction = TDSParamDirection::Out;
  using Holder = std::u16string;
  static Holder Get(TDSValue&) { return {}; }
  static void Put(TDSValue& v, Holder& h) { v = TDSValue::String(std::move(h)); }
};

template <class R>
struct TResult;

template <>
struct TResult<std::u16string> {
  static constexpr int Type = WideStringType;
  static TDSValue Wrap(std::u16string r) { return TDSValue::String(std::move(r)); }
};

template <>
struct TResult<bool> {
  static constexpr int Type = BooleanType;
  static TDSValue Wrap(bool r) { return TDSValue::Boolean(r); }
};

template <>
struct TResult<std::unique_ptr<TDBXReader>> {
  static constexpr int Type = TableType;
  static TDSValue Wrap(std::unique_ptr<TDBXReader> r) { return TDSValue::Reader(std::move(r)); }
};

template <class R, class... A, size_t... I>
void Call(TServerMethods1& object, R (TServerMethods1::*method)(A...), std::vector<TDSValue>& values,
          std::index_sequence<I...>) {
  std::tuple<typename TArgument<A>::Holder...> holders{TArgument<A>::Get(values[I])...};
  R result = (object.*method)(std::get<I>(holders)...);
  (TArgument<A>::Put(values[I], std::get<I>(holders)), ...);
  values[sizeof...(A)] = TResult<R>::Wrap(std::move(result));
}

// One row of the method table: the method's published name, the method, its
// parameters' names in order and, for a download the sync-activity page
// shows, its kind.
template <class R, class... A>
void Add(TDSServer& server, TDSServerClass& serverClass, std::u16string name, R (TServerMethods1::*method)(A...),
         std::initializer_list<const char*> names, std::optional<TDownloadKind> download = std::nullopt) {
  if (names.size() != sizeof...(A)) throw Exception("Parameter names do not match the method's parameters");
  std::vector<TDSParameter> parameters;
  const int types[] = {TArgument<A>::Type..., 0};
  const TDSParamDirection directions[] = {TArgument<A>::Direction..., TDSParamDirection::In};
  size_t i = 0;
  for (const char* parameterName : names) {
    parameters.push_back({parameterName, directions[i], types[i]});
    ++i;
  }
  parameters.push_back({"ReturnParameter", TDSParamDirection::Return, TResult<R>::Type});
  server.AddMethod(serverClass, std::move(name), std::move(parameters),
                   [method](TDSServerInstance& instance, std::vector<TDSValue>& values) {
                     auto& object = *static_cast<TDSInstanceOf<TServerMethods1>&>(instance).Object;
                     Call(object, method, values, std::index_sequence_for<A...>{});
                   },
                   download);
}

}  // namespace

void RegisterServerMethods1(TDSServer& server, const THostValues& host) {
  constexpr TDownloadKind Clients = TDownloadKind::Clients;
  constexpr TDownloadKind Products = TDownloadKind::Products;
  constexpr TDownloadKind Prices = TDownloadKind::Prices;
  constexpr TDownloadKind Orders = TDownloadKind::Orders;
  // DSServerClass1GetClass answers TServerMethods1.
  TDSServerClass& serverClass = server.AddClass(u"TServerMethods1", "Session", [&host] {
    return std::make_unique<TDSInstanceOf<TServerMethods1>>(std::make_unique<TServerMethods1>(host));
  });
  // What an instance answers with besides its arguments: the branch and the
  // overdue threshold it copies from the host, and the database it connects to.
  serverClass.SetCallContext([&host] {
    return std::to_string(host.IDFilial.load()) + '/' + std::to_string(host.DiasEmAtraso.load()) + '/' +
           ConnectionSettingsStamp();
  });
  Add(server, serverClass, u"EchoString", &TServerMethods1::EchoString, {"Value"});
  Add(server, serverClass, u"ReverseString", &TServerMethods1::ReverseString, {"Value"});
  Add(server, serverClass, u"GetCondPagto", &TServerMethods1::GetCondPagto, {});
  Add(server, serverClass, u"GetFormaPagto", &TServerMethods1::GetFormaPagto, {});
  Add(server, serverClass, u"GetCidade", &TServerMethods1::GetCidade, {});
  Add(server, serverClass, u"GetCliente", &TServerMethods1::GetCliente, {"IDRepresentante"}, Clients);
  Add(server, serverClass, u"GetTodosClientes", &TServerMethods1::GetTodosClientes, {}, Clients);
  Add(server, serverClass, u"GetClienteProduto", &TServerMethods1::GetClienteProduto, {"IDRepresentante"}, Products);
  Add(server, serverClass, u"GetRepresentante", &TServerMethods1::GetRepresentante, {"IDRepresentante"});
  Add(server, serverClass, u"GetProduto", &TServerMethods1::GetProduto, {}, Products);
  Add(server, serverClass, u"GetTabelaPreco", &TServerMethods1::GetTabelaPreco, {}, Prices);
  Add(server, serverClass, u"GetTabelaPrecoItem", &TServerMethods1::GetTabelaPrecoItem, {}, Prices);
  Add(server, serverClass, u"GetTabelaPrecoRep", &TServerMethods1::GetTabelaPrecoRep, {"IDRepresentante"}, Prices);
  Add(server, serverClass, u"GetTabelaPrecoItemRep", &TServerMethods1::GetTabelaPrecoItemRep, {"IDRepresentante"}, Prices);
  Add(server, serverClass, u"GetProdutoUndMed", &TServerMethods1::GetProdutoUndMed, {}, Products);
  Add(server, serverClass, u"GetAtividade", &TServerMethods1::GetAtividade, {});
  Add(server, serverClass, u"GetConvenio", &TServerMethods1::GetConvenio, {});
  Add(server, serverClass, u"GetRegiao", &TServerMethods1::GetRegiao, {});
  Add(server, serverClass, u"GetProdutoConsig", &TServerMethods1::GetProdutoConsig, {"IDRepresentante"}, Products);
  Add(server, serverClass, u"GetCondPagtoCliente", &TServerMethods1::GetCondPagtoCliente, {"IDRepresentante"});
  Add(server, serverClass, u"GetFormaPagtoCliente", &TServerMethods1::GetFormaPagtoCliente, {"IDRepresentante"});
  Add(server, serverClass, u"GetFilial", &TServerMethods1::GetFilial, {});
  Add(server, serverClass, u"GetFilialRep", &TServerMethods1::GetFilialRep, {"IDRepresentante"});
  Add(server, serverClass, u"GetCelulares", &TServerMethods1::GetCelulares, {"IMEI", "Representante"});
  Add(server, serverClass, u"GetSenhaPalmRep", &TServerMethods1::GetSenhaPalmRep, {"IDRepresentante"});
  Add(server, serverClass, u"GetSenhaPalm", &TServerMethods1::GetSenhaPalm, {});
  Add(server, serverClass, u"GetTodosRepresentantes", &TServerMethods1::GetTodosRepresentantes, {});
  Add(server, serverClass, u"GetCPFCNPJ", &TServerMethods1::GetCPFCNPJ, {});
  Add(server, serverClass, u"GetChavePedido", &TServerMethods1::GetChavePedido, {"IDRepresentante", "IDPedidoPalm"}, Orders);
  Add(server, serverClass, u"GetRecCaminhoFTPPed", &TServerMethods1::GetRecCaminhoFTPPed, {"IDRepresentante", "IDPedidoPalm"});
  Add(server, serverClass, u"GetReceber", &TServerMethods1::GetReceber, {"IDRepresentante"});
  Add(server, serverClass, u"GetSituacaoPedido", &TServerMethods1::GetSituacaoPedido, {"IDRepresentante"}, Orders);
  Add(server, serverClass, u"GetUltimosPedido", &TServerMethods1::GetUltimosPedido, {"IDCliente"}, Orders);
  Add(server, serverClass, u"GetUltimosItensPedido", &TServerMethods1::GetUltimosItensPedido, {"IDPedido"}, Orders);
  Add(server, serverClass, u"GetUltPedidosTodasFolhas", &TServerMethods1::GetUltPedidosTodasFolhas, {"IDCliente"}, Orders);
  Add(server, serverClass, u"GetUltItensPedidoTodasFolhas", &TServerMethods1::GetUltItensPedidoTodasFolhas, {"IDPedido", "IDFolha"}, Orders);
  Add(server, serverClass, u"GetBoleto", &TServerMethods1::GetBoleto, {"IDRepresentante", "IDPedido"});
  Add(server, serverClass, u"GetAtrasoCliente", &TServerMethods1::GetAtrasoCliente, {"IDCliente"});
  Add(server, serverClass, u"GetLogAndroid", &TServerMethods1::GetLogAndroid, {"IDRepresentante", "Tipo"});
  Add(server, serverClass, u"GetCondPagtoSN", &TServerMethods1::GetCondPagtoSN, {"IDCondPagto"});
  Add(server, serverClass, u"GetFormaPagtoSN", &TServerMethods1::GetFormaPagtoSN, {"IDFormaPagto"});
  Add(server, serverClass, u"GetCidadeSN", &TServerMethods1::GetCidadeSN, {"IDCidade"});
  Add(server, serverClass, u"GetAtividadeSN", &TServerMethods1::GetAtividadeSN, {"IDAtividade"});
  Add(server, serverClass, u"GetConvenioSN", &TServerMethods1::GetConvenioSN, {"IDConvenio"});
  Add(server, serverClass, u"GetRegiaoSN", &TServerMethods1::GetRegiaoSN, {"IDRegiao"});
  Add(server, serverClass, u"GetClienteSN", &TServerMethods1::GetClienteSN, {"IDCliente"}, Clients);
  Add(server, serverClass, u"GetProdutoSN", &TServerMethods1::GetProdutoSN, {"IDProduto"}, Products);
  Add(server, serverClass, u"GetProdutoConsigSN", &TServerMethods1::GetProdutoConsigSN, {"IDConsignacao", "IDProduto"}, Products);
  Add(server, serverClass, u"GetProdutoUndMedSN", &TServerMethods1::GetProdutoUndMedSN, {"IDProduto", "IDUnidadeMedida"}, Products);
  Add(server, serverClass, u"GetClienteProdutoSN", &TServerMethods1::GetClienteProdutoSN, {"IDCliente", "IDProduto"}, Products);
  Add(server, serverClass, u"GetCondPagtoClienteSN", &TServerMethods1::GetCondPagtoClienteSN, {"IDCliente", "IDCondPagto"});
  Add(server, serverClass, u"GetFormaPagtoClienteSN", &TServerMethods1::GetFormaPagtoClienteSN, {"IDCliente", "IDFormaPagto"});
  Add(server, serverClass, u"GetTabelaPrecoSN", &TServerMethods1::GetTabelaPrecoSN, {"IDTabelaPreco"}, Prices);
  Add(server, serverClass, u"GetTabelaPrecoItemSN", &TServerMethods1::GetTabelaPrecoItemSN, {"IDTabelaPreco", "IDProduto"}, Prices);
  Add(server, serverClass, u"GetCPFCNPJSN", &TServerMethods1::GetCPFCNPJSN, {"IDCliente"});
  Add(server, serverClass, u"GetPedidoSN", &TServerMethods1::GetPedidoSN, {"IDPedido", "IDFolha"}, Orders);
  Add(server, serverClass, u"GetItensPedidoSN", &TServerMethods1::GetItensPedidoSN, {"IDPedido", "IDFolha"}, Orders);
  Add(server, serverClass, u"DeletaLogAndroid", &TServerMethods1::DeletaLogAndroid, {"IDRepresentante", "ID", "ID_2", "Tipo"});
  Add(server, serverClass, u"SetIDPedidoPalm", &TServerMethods1::SetIDPedidoPalm, {"IDPedido", "IDFolha", "IDPedidoPalm"});
  Add(server, serverClass, u"GetUltPedidosSN", &TServerMethods1::GetUltPedidosSN, {"IDCliente"}, Orders);
  Add(server, serverClass, u"GetDevolucaoSN", &TServerMethods1::GetDevolucaoSN, {"IDPedido", "IDFolha"});
  Add(server, serverClass, u"GetAtrasoClienteSN", &TServerMethods1::GetAtrasoClienteSN, {"IDRepresentante"});
  Add(server, serverClass, u"SetSituacaoPedido", &TServerMethods1::SetSituacaoPedido, {"IDRepresentante", "IDPedido"});
  Add(server, serverClass, u"SetPedido", &TServerMethods1::SetPedido, {"IDRepresentante", "IDPedidoPalm", "IDFormaPagto", "IDCondicaoPagto", "IDTabelaPreco", "IDCliente", "Parcela", "IDConsignacao", "IDCidade", "IDAtividade", "IDConvenio", "IDRegiao", "DtEmissao", "SitPedido", "NmRazao", "NmFantasia", "Endereco", "Cep", "Bairro", "TipoCliente", "Cnpj", "IE", "Cpf", "Rg", "Fone", "Celular", "Email", "Cliente_Contribuinte", "TotalPedido", "Erro"});
  Add(server, serverClass, u"SetPedido2", &TServerMethods1::SetPedido2, {"IDRepresentante", "IDPedidoPalm", "Observacao", "Erro"});
  Add(server, serverClass, u"SetPedido2_Novo", &TServerMethods1::SetPedido2_Novo, {"IDRepresentante", "IDPedidoPalm", "Prazo", "Observacao", "Erro"});
  Add(server, serverClass, u"SetItensPedido", &TServerMethods1::SetItensPedido, {"IDRepresentante", "IDPedidoPalm", "UnidadeMedida", "IDProduto", "QtdePedido", "ValorUnitario", "Desconto", "ValorUnitarioTabela", "Observacao", "Erro"});
  Add(server, serverClass, u"SetCliente", &TServerMethods1::SetCliente, {"IDRepresentante", "IDCliente", "IDCidade", "IDConvenio", "IDRegiao", "IDAtividade", "Razao", "Fantasia", "Endereco", "Cep", "Bairro", "TipoCliente", "Cnpj", "Ie", "Cpf", "Rg", "Fone", "Fax", "Celular", "Email", "Alterado", "Cliente_Contribuinte", "Erro"});
  Add(server, serverClass, u"SetIDClienteTmpNull", &TServerMethods1::SetIDClienteTmpNull, {"IDClienteTmp", "IDRepresentante"});
  Add(server, serverClass, u"RecebendoPalmAfa", &TServerMethods1::RecebendoPalmAfa, {"IDRepresentante", "Erro"});
  Add(server, serverClass, u"SetRepresentante", &TServerMethods1::SetRepresentante, {"IDRepresentante", "IDPedidoPalm"});
  Add(server, serverClass, u"SetCelulares", &TServerMethods1::SetCelulares, {"IMEI", "Representante"});
  Add(server, serverClass, u"SetSenhaPalm", &TServerMethods1::SetSenhaPalm, {"IDRepresentante", "Senha"});
  Add(server, serverClass, u"SetReceber", &TServerMethods1::SetReceber, {"DataPagamento", "F_Parcial", "ValorJuros", "ValorPagamento", "IDFormaPagto", "IDCaixa", "IDReceber", "IDFolha", "IDOrdem", "IDParcial", "Erro"});
}

}  // namespace fieldsync
