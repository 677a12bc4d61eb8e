#pragma once
// TForm1: the host window's logic, without any GUI. It owns the HTTP
// listener, the window's database connection and the branch and
// configuration row sets; it reads the branch file, applies the branch's
// options, and starts and stops the listener. A front end (the headless
// runner, or a window) shows it and calls its handlers on one thread; a
// handler that fails raises, and the front end shows the message.
//
// IDFilial and DiasEmAtraso (inherited from THostValues) are written here and
// read by request threads when they create a service instance.

#include <filesystem>
#include <memory>
#include <string>

#include "service/HostValues.h"

namespace fieldsync {

class TCachedRowSet;
class TIdHTTPWebBrokerBridge;
class TSQLConnection;

class TForm1 : public THostValues {
 public:
  // Builds the components and opens DMESTOQUE (a failure propagates: the
  // program cannot start), then runs FormCreate. `programDir` holds fil.txt.
  explicit TForm1(std::filesystem::path programDir);
  ~TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Event handlers.
  void FormCreate();
  void FormShow();
  void ButtonStartClick();
  void ButtonStopClick();
  void EditPortChange();
  void edtFilialExit();
  void ApplicationEvents1Idle();

  void StartServer();

  // The hidden "Open Browser" button: starts the listener and returns the
  // landing page's address ("http://localhost:" and the port box's text)
  // for the front end to open with the system's default handler.
  std::string ButtonOpenBrowserClick();

  // The tray's "Sync activity": the operator's page on this machine
  // ("http://localhost:", the port box's text, "/SyncActivity"), for the
  // front end to open with the system's default handler. The page answers
  // callers on this machine only.
  std::string SyncActivityURL() const;

  // The two edits of the main tab. Setting the port text as typing would
  // runs EditPortChange when the text changes.
  const std::u16string& EditPortText() const { return FEditPortText; }
  void SetEditPortText(const std::u16string& text);
  const std::u16string& EdtFilialText() const { return FEdtFilialText; }
  void SetEdtFilialText(const std::u16string& text) { FEdtFilialText = text; }

  // Enabled states, as the idle handler sets them.
  bool ButtonStartEnabled() const { return FButtonStartEnabled; }
  bool ButtonStopEnabled() const { return FButtonStopEnabled; }
  bool EditPortEnabled() const { return FEditPortEnabled; }

  TSQLConnection& DMESTOQUE() { return *FDMESTOQUE; }
  TCachedRowSet& cdsFilial() { return *FcdsFilial; }
  TCachedRowSet& cdsConfiguracao() { return *FcdsConfiguracao; }
  TIdHTTPWebBrokerBridge& Server() { return *FServer; }
  // Whether the service requires a login (a users file is in force); without
  // one, a start that listens beyond this machine says in its log line, and
  // the operator's page, that anyone who reaches the port can read and write.
  void SetLoginRequired(bool value) { FLoginRequired = value; }

 private:
  void ApplyOverdueDaysRule();

  std::filesystem::path FProgramDir;
  std::unique_ptr<TSQLConnection> FDMESTOQUE;
  std::unique_ptr<TCachedRowSet> FcdsFilial;
  std::unique_ptr<TCachedRowSet> FcdsConfiguracao;
  std::unique_ptr<TIdHTTPWebBrokerBridge> FServer;
  bool FLoginRequired = false;
  std::u16string FEditPortText = u"8081";
  std::u16string FEdtFilialText;
  bool FButtonStartEnabled = true;
  bool FButtonStopEnabled = false;
  bool FEditPortEnabled = true;
};

// System commands sent to the window (title-bar buttons, window menu,
// keyboard shortcuts), compared on their upper twelve bits.
inline constexpr unsigned SC_MINIMIZE = 0xF020;
inline constexpr unsigned SC_CLOSE = 0xF060;
// Whether the window hides itself instead of carrying the command out:
// minimise and close only hide it; only the tray's "Fechar" ends the program.
bool SysCommandHidesWindow(unsigned command);

// Ends every REST session, if the session registry exists.
void TerminateThreads();

// The text a message box shows for an error: "." appended when the message's
// last character comes after "." in code order.
std::string ErrorBoxText(const std::string& message);

}  // namespace fieldsync
