// The host window's logic against an embedded database holding the two option
// tables, with the real listener on loopback.
#include "app/FormUnit1.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/CachedRowSet.h"
#include "core/Error.h"
#include "core/Text.h"
#include "http/DSHTTPWebDispatcher.h"
#include "http/HTTPWebBrokerBridge.h"
#include "http/WebModuleUnit1.h"
#include "http/WebRequestHandler.h"
#include "rest/DSSession.h"
#include "rest/ServerMethodsRegistration.h"
#include "tests/app/HostFixture.h"
#include "tests/support/Expect.h"

using namespace fieldsync;
using namespace fieldsync::testing;
using fieldsync::test::ExpectThrowWithText;

namespace {

class Form1Test : public HostFixture {
 protected:
  TForm1& Show() {
    Form = std::make_unique<TForm1>(Dir);
    Form->FormShow();
    return *Form;
  }
};

}  // namespace

TEST_F(Form1Test, FirstStartWithoutBranchFileServesBranchOnesPort) {
  TForm1& form = Show();
  EXPECT_EQ(form.IDFilial.load(), 0);
  EXPECT_EQ(form.EdtFilialText(), u"");
  EXPECT_EQ(form.EditPortText(), Latin1ToUtf16(std::to_string(Port1)));
  EXPECT_TRUE(form.Server().Active());
  EXPECT_TRUE(Listening(Port1));
  EXPECT_EQ(form.DiasEmAtraso.load(), 30);
  // The port taken from the row is written back unchanged; the row browses again.
  EXPECT_EQ(form.cdsFilial().State(), TRowSetState::Browsing);
  EXPECT_EQ(Read("select PORTA_MOBILE from FILIAL where IDFILIAL = 1"), std::to_string(Port1));
  EXPECT_EQ(Read("select N_ESCOLHER_FORMA from FILIAL where IDFILIAL = 1"), "S");
}

TEST_F(Form1Test, BranchFileNamesTheBranch) {
  struct Case {
    const char* content;
    int32_t branch;
    std::u16string box;
  } cases[] = {
      {"  12 text\r\nmore lines\r\n", 12, u"12"},
      {"", 0, u"0"},
      {" \r\n\t ", 0, u"0"},
  };
  for (const auto& c : cases) {
    WriteFile(Dir / "fil.txt", c.content);
    TForm1& form = Show();
    EXPECT_EQ(form.IDFilial.load(), c.branch) << c.content;
    EXPECT_EQ(form.EdtFilialText(), c.box) << c.content;
    EXPECT_TRUE(Listening(c.branch == 12 ? Port12 : Port0)) << c.content;
    Form.reset();
  }
}

TEST_F(Form1Test, BadBranchFileStopsTheShowBeforeStart) {
  WriteFile(Dir / "fil.txt", "abc\r\n");
  Form = std::make_unique<TForm1>(Dir);
  try {
    Form->FormShow();
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid numeric input");
    EXPECT_EQ(ErrorBoxText(e.what()), "Invalid numeric input.");
  }
  EXPECT_FALSE(Form->Server().Active());
  EXPECT_EQ(Form->IDFilial.load(), 0);
}

TEST_F(Form1Test, OverdueDaysRule) {
  WriteFile(Dir / "fil.txt", "12\r\n");
  EXPECT_EQ(Show().DiasEmAtraso.load(), 0);  // "S" with -3
  Form.reset();

  WriteFile(Dir / "fil.txt", "20\r\n");
  Form = std::make_unique<TForm1>(Dir);
  TForm1& form = *Form;
  EXPECT_EQ(form.EditPortText(), u"8081");
  const std::u16string typed = Latin1ToUtf16(std::to_string(FreePort()));
  form.SetEditPortText(typed);
  form.FormShow();
  EXPECT_EQ(form.DiasEmAtraso.load(), 0);  // "s" is not "S"
  EXPECT_EQ(form.EditPortText(), typed);   // a port of 0 keeps the box's text
  form.ButtonStopClick();

  // Switching the check on and off: the last "S" evaluation stays in force.
  form.cdsConfiguracao().SetFieldString("VERIFICAR_CLI_ATRASO_MOB", u"S");
  form.cdsConfiguracao().SetFieldInteger("DIAS_EM_ATRASO_MOB", 30);
  form.SetEditPortText(Latin1ToUtf16(std::to_string(FreePort())));
  form.ButtonStartClick();
  EXPECT_EQ(form.DiasEmAtraso.load(), 30);
  EXPECT_EQ(Read("select VERIFICAR_CLI_ATRASO_MOB || DIAS_EM_ATRASO_MOB from CONFIGURACAO where IDFILIAL = 20"),
            "S30");
  form.cdsConfiguracao().SetFieldString("VERIFICAR_CLI_ATRASO_MOB", u"N");
  form.ButtonStartClick();
  EXPECT_EQ(form.DiasEmAtraso.load(), 30);
}

TEST_F(Form1Test, StartWritesATypedPortAndRefusesBadOnes) {
  TForm1& form = Show();
  form.ButtonStopClick();
  EXPECT_FALSE(form.Server().Active());
  form.ApplicationEvents1Idle();
  EXPECT_TRUE(form.ButtonStartEnabled());
  EXPECT_TRUE(form.EditPortEnabled());

  form.SetEditPortText(u"abc");
  EXPECT_EQ(form.cdsFilial().State(), TRowSetState::Editing);
  ExpectThrowWithText<Exception>([&] { form.ButtonStartClick(); }, "'abc' is not a valid integer value");
  form.SetEditPortText(u"70000");
  ExpectThrowWithText<Exception>(
      [&] { form.ButtonStartClick(); },
      "70000 is not a valid value for field 'PORTA_MOBILE'. The allowed range is -32768 to 32767");
  EXPECT_FALSE(form.Server().Active());
  EXPECT_EQ(form.cdsFilial().State(), TRowSetState::Editing);

  const uint16_t port = FreePort();
  form.SetEditPortText(Latin1ToUtf16(std::to_string(port)));
  form.ButtonStartClick();
  EXPECT_TRUE(Listening(port));
  EXPECT_EQ(Read("select PORTA_MOBILE from FILIAL where IDFILIAL = 1"), std::to_string(port));
  form.ApplicationEvents1Idle();
  EXPECT_FALSE(form.ButtonStartEnabled());
  EXPECT_TRUE(form.ButtonStopEnabled());

  // Pressing Start again while running touches nothing.
  form.ButtonStartClick();
  EXPECT_TRUE(form.Server().Active());
}

TEST_F(Form1Test, PortInUseLeavesTheListenerStopped) {
  TForm1& form = Show();
  TIdHTTPWebBrokerBridge other;
  other.SetDefaultPort(Port1);
  form.ButtonStopClick();
  other.SetActive(true);
  ExpectThrowWithText<Exception>([&] { form.ButtonStartClick(); },
                                 "Could not bind socket. Address and port are already in use.");
  EXPECT_FALSE(form.Server().Active());
}

TEST_F(Form1Test, LeavingTheBranchBoxRewritesTheBranchFile) {
  TForm1& form = Show();
  form.SetEdtFilialText(u"7");
  form.edtFilialExit();
  EXPECT_EQ(ReadFile(Dir / "fil.txt"), "7\r\n");
  EXPECT_EQ(form.IDFilial.load(), 7);

  form.SetEdtFilialText(u"x7 ");
  EXPECT_THROW(form.edtFilialExit(), Exception);
  EXPECT_EQ(ReadFile(Dir / "fil.txt"), "x7 \r\n");
  EXPECT_EQ(form.IDFilial.load(), 7);
}

TEST_F(Form1Test, ADatabaseThatCannotBeOpenedStopsTheWindow) {
  const test::TMissingDatabase missing(Scratch);
  EXPECT_THROW(TForm1 form(Dir), std::exception);
}

namespace {

// One request over loopback; the whole answer as received.
std::string HttpGet(uint16_t port, const std::string& path, const std::string& extraHeaders = "") {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(s);
    return {};
  }
  const std::string request = "GET " + path + " HTTP/1.1\r\nHost: localhost\r\n" + extraHeaders + "\r\n";
  ::send(s, request.data(), request.size(), 0);
  std::string answer;
  char buffer[4096];
  for (ssize_t n; (n = ::recv(s, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, n);
  ::close(s);
  return answer;
}

std::string SessionIn(const std::string& answer) {
  const auto start = answer.find("dssession=");
  if (start == std::string::npos) return {};
  return answer.substr(start + 10, answer.find(',', start) - start - 10);
}

}  // namespace

TEST_F(Form1Test, StopEndsEverySession) {
  TForm1& form = Show();
  TWebModule1Components components;
  components.DSHTTPWebDispatcher1 = [&form](TWebModule1&) -> std::unique_ptr<TWebDispatcher> {
    return std::make_unique<TDSHTTPWebDispatcher>([&form](TDSServer& server) { RegisterServerMethods1(server, form); });
  };
  WebRequestHandler().SetWebModuleClass([components] { return std::make_unique<TWebModule1>(components); });

  const std::string first = HttpGet(Port1, "/datasnap/rest/TServerMethods1/EchoString/abc");
  ASSERT_NE(first.find("\r\n\r\n{\"result\":[\"abc\"]}"), std::string::npos) << first;
  const std::string session = SessionIn(first);
  ASSERT_FALSE(session.empty());
  EXPECT_EQ(SessionIn(HttpGet(Port1, "/datasnap/rest/TServerMethods1/EchoString/x", "Pragma: dssession=" + session + "\r\n")),
            session);

  form.ButtonStopClick();
  EXPECT_FALSE(Listening(Port1));
  form.ButtonStartClick();
  const std::string after =
      HttpGet(Port1, "/datasnap/rest/TServerMethods1/EchoString/x", "Pragma: dssession=" + session + "\r\n");
  EXPECT_EQ(after.substr(0, after.find("\r\n")), "HTTP/1.1 403 Session has expired");
}

namespace {

// Holds a request inside the web module until Stop has begun ending sessions.
struct TStopGate {
  std::mutex Lock;
  std::condition_variable Changed;
  bool RequestWaits = false;
  bool Open = false;

  void OpenIt() {
    std::lock_guard lock(Lock);
    Open = true;
    Changed.notify_all();
  }
  // Bounded waits, so that a fault ends the test instead of hanging it.
  void HoldRequest() {
    std::unique_lock lock(Lock);
    RequestWaits = true;
    Changed.notify_all();
    Changed.wait_for(lock, std::chrono::seconds(20), [this] { return Open; });
  }
  bool WaitForRequest() {
    std::unique_lock lock(Lock);
    return Changed.wait_for(lock, std::chrono::seconds(20), [this] { return RequestWaits; });
  }
};

// The REST component, except that a request whose path holds "late" first
// waits at the gate.
class TGatedDispatcher : public TWebDispatcher {
 public:
  TGatedDispatcher(std::shared_ptr<TStopGate> gate, std::unique_ptr<TWebDispatcher> inner)
      : FGate(std::move(gate)), FInner(std::move(inner)) {}
  std::string PathMask() const override { return FInner->PathMask(); }
  bool DispatchRequest(TWebRequest& request, TWebResponse& response) override {
    if (request.PathInfo().find("late") != std::string::npos) FGate->HoldRequest();
    return FInner->DispatchRequest(request, response);
  }

 private:
  std::shared_ptr<TStopGate> FGate;
  std::unique_ptr<TWebDispatcher> FInner;
};

}  // namespace

// A request that was already running when Stop began creates its session
// after Stop has ended the others; Stop still leaves no session behind.
TEST_F(Form1Test, StopEndsTheSessionsOfRequestsThatRanDuringIt) {
  TForm1& form = Show();
  auto gate = std::make_shared<TStopGate>();
  TDSSessionManager::Instance().AddListener([gate](const TDSSession&, const char* event) {
    if (std::strcmp(event, "terminate") == 0) gate->OpenIt();
  });
  TWebModule1Components components;
  components.DSHTTPWebDispatcher1 = [&form, gate](TWebModule1&) -> std::unique_ptr<TWebDispatcher> {
    return std::make_unique<TGatedDispatcher>(
        gate, std::make_unique<TDSHTTPWebDispatcher>([&form](TDSServer& server) { RegisterServerMethods1(server, form); }));
  };
  WebRequestHandler().SetWebModuleClass([components] { return std::make_unique<TWebModule1>(components); });

  const std::string early = SessionIn(HttpGet(Port1, "/datasnap/rest/TServerMethods1/EchoString/early"));
  ASSERT_FALSE(early.empty());
  std::thread late([this] { HttpGet(Port1, "/datasnap/rest/TServerMethods1/EchoString/late"); });
  ASSERT_TRUE(gate->WaitForRequest());
  form.ButtonStopClick();  // ends "early", which lets "late" go on and create its session
  late.join();
  EXPECT_TRUE(gate->Open);
  EXPECT_EQ(TDSSessionManager::Instance().SessionCount(), 0u);
}

TEST_F(Form1Test, WritingBackFindsTheRowByAllItsOriginalValues) {
  TForm1& form = Show();
  TCachedRowSet& branch = form.cdsFilial();
  branch.SetFieldInteger("PORTA_MOBILE", 1234);
  branch.SetFieldNull("N_ESCOLHER_CONDICAO");  // null before and after: not a change
  EXPECT_EQ(branch.State(), TRowSetState::Editing);

  // Someone else changes another column of the row meanwhile: the write-back
  // no longer finds the row and writes nothing, without an error.
  Exec("update FILIAL set N_ESCOLHER_FORMA = 'N' where IDFILIAL = 1");
  branch.ApplyUpdates(0);
  EXPECT_EQ(branch.State(), TRowSetState::Browsing);
  EXPECT_EQ(Read("select PORTA_MOBILE from FILIAL where IDFILIAL = 1"), std::to_string(Port1));

  // With the row as read, the changed column is written and nothing else.
  form.FormShow();
  branch.SetFieldString("N_ESCOLHER_TABELA", u"S");
  branch.ApplyUpdates(0);
  EXPECT_EQ(Read("select N_ESCOLHER_FORMA || N_ESCOLHER_TABELA from FILIAL where IDFILIAL = 1"), "NS");
}

TEST(SysCommand, MinimiseAndCloseHideTheWindow) {
  const struct {
    unsigned command;
    bool hides;
  } cases[] = {
      {SC_MINIMIZE, true}, {SC_CLOSE, true},  {0xF023, true},   // the low four bits do not count
      {0xF06F, true},      {0xF010, false},   // move
      {0xF000, false},     // size
      {0xF030, false},     // maximise
      {0xF120, false},     // restore
      {0xF100, false},     // keyboard menu
      {0, false},
  };
  for (const auto& c : cases) EXPECT_EQ(SysCommandHidesWindow(c.command), c.hides) << std::hex << c.command;
}

TEST_F(Form1Test, OpenBrowserStartsTheListenerAndNamesTheLandingPage) {
  TForm1& form = Show();
  form.ButtonStopClick();
  const uint16_t port = FreePort();
  form.SetEditPortText(Latin1ToUtf16(std::to_string(port)));
  EXPECT_EQ(form.ButtonOpenBrowserClick(), "http://localhost:" + std::to_string(port));
  EXPECT_TRUE(Listening(port));

  form.ButtonStopClick();
  form.SetEditPortText(u"80x");
  ExpectThrowWithText<Exception>([&] { form.ButtonOpenBrowserClick(); }, "'80x' is not a valid integer value");
  EXPECT_FALSE(form.Server().Active());
}
