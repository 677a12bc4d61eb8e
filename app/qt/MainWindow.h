#pragma once
// The operator's window "Web Service": the main tab "Principal" (Start,
// Stop, the port and the branch), the options tab "Opções", the hidden
// "Open Browser" button and the tray icon with its menu (which also opens
// the sync-activity page in the default browser) and its tooltip (how many
// representatives synced today). Every control calls
// a handler of TForm1, which holds all the logic; this class only carries
// values between the widgets and TForm1, and shows a handler's error in a
// modal box with the stop icon, titled with the application title.
// Lives on the GUI thread; the window and its controls carry the names of the
// window's components as object names.

#include <QWidget>
#include <functional>
#include <string>

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;

namespace fieldsync {

class TForm1;
class TOptionsTab;

class TMainWindow : public QWidget {
 public:
  // `applicationTitle` titles the error boxes.
  TMainWindow(TForm1& form, std::string applicationTitle);
  ~TMainWindow() override;

  // A system command of the window: minimise and close hide it to the tray
  // (only "Fechar" ends the program). Where the desktop has no notification
  // area a hidden window could not be brought back, so there minimise keeps
  // its usual effect and close minimises.
  void WMSysCommand(unsigned command);

  // Runs a handler: an error it raises is shown in the modal error box and
  // the program goes on. Returns whether the handler completed.
  bool RunHandler(const std::function<void()>& handler);

  // The tray icon's tooltip: "Web Service: <n> representatives synced
  // today", from the sync-activity record. Refreshed every 30 seconds and
  // whenever the tray menu opens.
  void RefreshTrayToolTip();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMainTab(QWidget* tab);
  void BuildTray();
  void FormShow();
  void FormActivate();
  void ApplicationEvents1Idle();
  void ButtonOpenBrowserClick();
  void Mostrar1Click();
  void Esconder1Click();
  void Fechar1Click();
  void SyncActivity1Click();
  // Shows TForm1's texts of the port and branch boxes after a handler.
  void ShowFormTexts();

  TForm1& FForm;
  std::string FTitle;
  bool FClosing = false;  // "Fechar" chosen: the close is carried out
  QTabWidget* FPageControl1 = nullptr;
  QPushButton* FButtonStart = nullptr;
  QPushButton* FButtonStop = nullptr;
  QPushButton* FButtonOpenBrowser = nullptr;
  QLineEdit* FEditPort = nullptr;
  QLineEdit* FedtFilial = nullptr;
  TOptionsTab* FTabSheet2 = nullptr;
  QSystemTrayIcon* FTrayIcon1 = nullptr;
  QMenu* FPopupMenu1 = nullptr;
  QTimer* FTrayToolTipTimer = nullptr;
};

}  // namespace fieldsync
