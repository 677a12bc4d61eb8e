#include "app/FormUnit1.h"

#include "activity/ActivityGauges.h"
#include "app/AppMessages.h"
#include "app/BranchFile.h"
#include "app/CachedRowSet.h"
#include "core/CoreMessages.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/ServiceLog.h"
#include "core/Text.h"
#include "db/SQLConnection.h"
#include "http/HTTPWebBrokerBridge.h"
#include "http/WebModuleUnit1.h"
#include "rest/DSSession.h"

namespace fieldsync {

namespace {

constexpr char16_t FilialSQL[] =
    u"select IDFILIAL, N_ESCOLHER_CONDICAO, N_ESCOLHER_FORMA, N_ESCOLHER_TABELA, N_ALTERA_CLIENTE, "
    u"N_INCLUI_CLIENTE, VEND_TRABALHA_C_CONSIG, PORTA_MOBILE, FAZER_CONSISTENCIA_MOBILE, FATURAR_ESTOQUE_NEGATIVO, "
    u"NAO_ALTERAR_PRECO_VENDA_MOBILE, PERMITIR_ACRESCIMO_MOBILE, PERMITIR_DESCONTO_MOBILE, USAR_TABELA_REP_MOBILE, "
    u"LEVAR_TODOS_CLIENTES_MOB, TRATAR_CLI_NOVOS_MOBILE from FILIAL\r\n\r\n\r\n\r\nwhere IDFILIAL = :IDFILIAL";

constexpr char16_t ConfiguracaoSQL[] =
    u"select IDFILIAL, MOSTRA_MARGEM, RECEBER_ULT_PEDIDOS_ANDROID, USAR_BOLETO_ANDROID, VERIFICAR_CLI_ATRASO_MOB, "
    u"DIAS_EM_ATRASO_MOB, MOSTRAR_OBS_CLI_MOBILE, PORTA_FTP, IMAGENS_NO_ANDROID, DIGITAR_PRAZO_ANDROID from "
    u"CONFIGURACAO\r\n\r\n\r\n\r\n\r\nWHERE IDFILIAL = :IDFILIAL";

constexpr int32_t BranchWithoutFile = 1;

constexpr const char* OpenToAnyoneLogText =
    "; no users file: anyone who reaches this port can read and write the branch's data";

// Whether a binding takes connections from other machines.
bool ListensBeyondLoopback(const std::vector<TSocketBinding>& bindings) {
  for (const TSocketBinding& binding : bindings)
    if (binding.IP.rfind("127.", 0) != 0 && binding.IP != "::1") return true;
  return false;
}

// StrToInt of the window's edits.
int32_t StrToInt(const std::u16string& text) {
  auto value = TextToInt32(SkipLeadingBlanks(text));
  if (!value) throw Exception(FormatText(InvalidIntegerMessage, {Utf16ToUtf8(text)}));
  return *value;
}

}  // namespace

TForm1::TForm1(std::filesystem::path programDir) : FProgramDir(std::move(programDir)) {
  FDMESTOQUE = std::make_unique<TSQLConnection>();
  FcdsFilial = std::make_unique<TCachedRowSet>(*FDMESTOQUE, "cdsFilial", "FILIAL", FilialSQL);
  FcdsConfiguracao = std::make_unique<TCachedRowSet>(*FDMESTOQUE, "cdsConfiguracao", "CONFIGURACAO", ConfiguracaoSQL);
  FDMESTOQUE->Open();  // stored as connected
  FormCreate();
}

TForm1::~TForm1() {
  // Closing the window deactivates the listener (every connection closed and
  // its thread waited for) before the database connection goes.
  FServer.reset();
}

void TForm1::FormCreate() { FServer = std::make_unique<TIdHTTPWebBrokerBridge>(); }

void TForm1::FormShow() {
  const auto branchFile = FProgramDir / BranchFileName;
  if (std::filesystem::exists(branchFile)) {
    const int32_t branch = ReadBranchFile(branchFile);
    IDFilial.store(branch);
    FEdtFilialText = Latin1ToUtf16(std::to_string(branch));
    FcdsFilial->Close();
    FcdsFilial->SetIDFilial(branch);
    FcdsFilial->Open();
    FcdsConfiguracao->Close();
    FcdsConfiguracao->SetIDFilial(branch);
  } else {
    FcdsFilial->Close();
    FcdsFilial->SetIDFilial(BranchWithoutFile);
    FcdsFilial->Open();
    FcdsConfiguracao->Close();
    FcdsConfiguracao->SetIDFilial(BranchWithoutFile);
  }
  FcdsConfiguracao->Open();
  const int32_t port = FcdsFilial->FieldAsInteger("PORTA_MOBILE");
  if (port != 0) SetEditPortText(Latin1ToUtf16(std::to_string(port)));
  ApplyOverdueDaysRule();
  ButtonStartClick();
}

void TForm1::ApplyOverdueDaysRule() {
  if (FcdsConfiguracao->FieldAsString("VERIFICAR_CLI_ATRASO_MOB") != u"S") return;
  const int32_t days = FcdsConfiguracao->FieldAsInteger("DIAS_EM_ATRASO_MOB");
  DiasEmAtraso.store(days > 0 ? days : 0);
}

void TForm1::ButtonStartClick() {
  if (FcdsFilial->State() != TRowSetState::Browsing) {
    FcdsFilial->SetFieldInteger("PORTA_MOBILE", StrToInt(FEditPortText));
    FcdsFilial->ApplyUpdates(0);
  }
  if (FcdsConfiguracao->State() != TRowSetState::Browsing) FcdsConfiguracao->ApplyUpdates(0);
  ApplyOverdueDaysRule();
  StartServer();
}

void TForm1::StartServer() {
  if (FServer->Active()) return;
  FServer->Bindings().clear();
  const int32_t port = StrToInt(FEditPortText);
  // A port the socket layer cannot take is refused rather than truncated.
  if (port < 0 || port > 65535) throw Exception(FormatText(InvalidPortMessage, {Utf16ToUtf8(FEditPortText)}));
  FServer->SetDefaultPort(static_cast<uint16_t>(port));
  FServer->SetActive(true);
  const bool openToAnyone = !FLoginRequired && ListensBeyondLoopback(FServer->Bindings());
  ActivityGauges().SetOpenToAnyone(openToAnyone);
  LogEvent("listening on port " + std::to_string(port) + " for branch " + std::to_string(IDFilial.load()) +
           (openToAnyone ? OpenToAnyoneLogText : ""));
}

std::string TForm1::ButtonOpenBrowserClick() {
  StartServer();
  return "http://localhost:" + Utf16ToUtf8(FEditPortText);
}

std::string TForm1::SyncActivityURL() const {
  return "http://localhost:" + Utf16ToUtf8(FEditPortText) + SyncActivityPagePath;
}

void TForm1::ButtonStopClick() {
  TerminateThreads();
  FServer->SetActive(false);
  FServer->Bindings().clear();
  LogEvent("stopped listening");
  // A request that was already running when Stop began may have created a
  // session after the others were ended; now that no request runs, it goes too.
  TerminateThreads();
}

void TForm1::SetEditPortText(const std::u16string& text) {
  if (text == FEditPortText) return;
  FEditPortText = text;
  EditPortChange();
}

void TForm1::EditPortChange() {
  if (FcdsFilial->State() == TRowSetState::Browsing) FcdsFilial->Edit();
}

void TForm1::edtFilialExit() {
  WriteBranchFile(FProgramDir / BranchFileName, FEdtFilialText);
  IDFilial.store(StrToInt(FEdtFilialText));
}

void TForm1::ApplicationEvents1Idle() {
  const bool active = FServer->Active();
  FButtonStartEnabled = !active;
  FButtonStopEnabled = active;
  FEditPortEnabled = !active;
}

bool SysCommandHidesWindow(unsigned command) {
  const unsigned code = command & 0xFFF0;
  return code == SC_MINIMIZE || code == SC_CLOSE;
}

void TerminateThreads() {
  if (TDSSessionManager::HasInstance()) TDSSessionManager::Instance().TerminateAllSessions();
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace fieldsync
