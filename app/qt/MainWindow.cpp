#include "app/qt/MainWindow.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "activity/ActivityReport.h"
#include "app/FormUnit1.h"
#include "app/qt/LayoutScale.h"
#include "app/qt/OptionsTab.h"

namespace fieldsync {

namespace {

constexpr int ClientWidth = 364;
constexpr int ClientHeight = 575;
constexpr const char* FontFamily = "Tahoma";
constexpr int FontPoints = 8;
constexpr int TrayToolTipRefreshMs = 30000;

QString ToQString(const std::u16string& text) { return QString::fromUtf16(text.data(), qsizetype(text.size())); }

QPushButton* AddButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(name);
  button->setGeometry(geometry);
  return button;
}

// Labels size themselves to their caption.
void AddLabel(QWidget* parent, const char* name, const char* caption, QPoint position) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(name);
  label->move(position);
  label->adjustSize();
}

}  // namespace

TMainWindow::TMainWindow(TForm1& form, std::string applicationTitle)
    : FForm(form), FTitle(std::move(applicationTitle)) {
  setObjectName("Form1");
  setWindowTitle("Web Service");
  // Where the reference font is missing, one of its width keeps the
  // captions inside their reference widths.
  QFont::insertSubstitutions(FontFamily, {"Liberation Sans", "Arial", "Arimo"});
  setFont(QFont(FontFamily, FontPoints));
  const QIcon icon = style()->standardIcon(QStyle::SP_DriveNetIcon);
  setWindowIcon(icon);
  const TLayoutScale scale(screen());
  resize(scale(ClientWidth), scale(ClientHeight));

  FPageControl1 = new QTabWidget(this);
  FPageControl1->setObjectName("PageControl1");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FPageControl1);

  auto* tabSheet1 = new QWidget;
  tabSheet1->setObjectName("TabSheet1");
  BuildMainTab(tabSheet1);
  FPageControl1->addTab(tabSheet1, "Principal");
  FTabSheet2 = new TOptionsTab(FForm, scale, [this](const auto& handler) { return RunHandler(handler); }, FPageControl1);
  FPageControl1->addTab(FTabSheet2, QString::fromUtf8("Opções"));

  // On the window itself, behind the page control; nothing makes it visible.
  FButtonOpenBrowser = AddButton(this, "ButtonOpenBrowser", "Open Browser", scale.Rect(137, 280, 107, 25));
  FButtonOpenBrowser->setVisible(false);
  connect(FButtonOpenBrowser, &QPushButton::clicked, this, [this] { ButtonOpenBrowserClick(); });

  // The page control holds the focus first, as the window's first control;
  // the branch box is written only when the operator leaves it.
  FPageControl1->tabBar()->setFocusPolicy(Qt::StrongFocus);
  setFocusProxy(FPageControl1->tabBar());
  FPageControl1->tabBar()->setFocus();

  BuildTray();
  connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
          [this] { ApplicationEvents1Idle(); });
}

TMainWindow::~TMainWindow() = default;

void TMainWindow::BuildMainTab(QWidget* tab) {
  const TLayoutScale scale(screen());
  FButtonStart = AddButton(tab, "ButtonStart", "Start", scale.Rect(8, 8, 75, 25));
  FButtonStop = AddButton(tab, "ButtonStop", "Stop", scale.Rect(89, 8, 75, 25));
  AddLabel(tab, "Label1", "Port", QPoint(scale(8), scale(48)));
  FEditPort = new QLineEdit(ToQString(FForm.EditPortText()), tab);
  FEditPort->setObjectName("EditPort");
  FEditPort->setGeometry(scale.Rect(8, 65, 121, 21));
  AddLabel(tab, "Label2", "Filial", QPoint(scale(248), scale(13)));
  FedtFilial = new QLineEdit(ToQString(FForm.EdtFilialText()), tab);
  FedtFilial->setObjectName("edtFilial");
  FedtFilial->setGeometry(scale.Rect(248, 32, 89, 21));

  connect(FButtonStart, &QPushButton::clicked, this, [this] { RunHandler([this] { FForm.ButtonStartClick(); }); });
  connect(FButtonStop, &QPushButton::clicked, this, [this] { RunHandler([this] { FForm.ButtonStopClick(); }); });
  // Every change of the port box's text, typed or set by the program.
  connect(FEditPort, &QLineEdit::textChanged, this,
          [this](const QString& text) { RunHandler([&] { FForm.SetEditPortText(text.toStdU16String()); }); });
  connect(FedtFilial, &QLineEdit::textChanged, this,
          [this](const QString& text) { FForm.SetEdtFilialText(text.toStdU16String()); });
  FedtFilial->installEventFilter(this);
}

void TMainWindow::BuildTray() {
  FPopupMenu1 = new QMenu(this);
  FPopupMenu1->setObjectName("PopupMenu1");
  QAction* mostrar = FPopupMenu1->addAction("Mostrar", this, [this] { Mostrar1Click(); });
  mostrar->setObjectName("Mostrar1");
  QAction* esconder = FPopupMenu1->addAction("Ocultar", this, [this] { Esconder1Click(); });
  esconder->setObjectName("Esconder1");
  QAction* syncActivity = FPopupMenu1->addAction("Sync activity", this, [this] { SyncActivity1Click(); });
  syncActivity->setObjectName("SyncActivity1");
  QAction* fechar = FPopupMenu1->addAction("Fechar", this, [this] { Fechar1Click(); });
  fechar->setObjectName("Fechar1");

  FTrayIcon1 = new QSystemTrayIcon(windowIcon(), this);
  FTrayIcon1->setObjectName("TrayIcon1");
  FTrayIcon1->setContextMenu(FPopupMenu1);
  RefreshTrayToolTip();
  FTrayToolTipTimer = new QTimer(this);
  connect(FTrayToolTipTimer, &QTimer::timeout, this, [this] { RefreshTrayToolTip(); });
  FTrayToolTipTimer->start(TrayToolTipRefreshMs);
  connect(FPopupMenu1, &QMenu::aboutToShow, this, [this] { RefreshTrayToolTip(); });
  // Always visible, whether the window is shown or hidden, wherever the
  // desktop has a notification area (see WMSysCommand when it comes later).
  if (QSystemTrayIcon::isSystemTrayAvailable()) FTrayIcon1->show();
}

bool TMainWindow::RunHandler(const std::function<void()>& handler) {
  try {
    handler();
    ShowFormTexts();
    return true;
  } catch (const std::exception& e) {
    ShowFormTexts();
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(FTitle),
                    QString::fromStdString(ErrorBoxText(e.what())), QMessageBox::Ok, isVisible() ? this : nullptr);
    box.setObjectName("ErrorBox");
    box.exec();
    return false;
  }
}

void TMainWindow::ShowFormTexts() {
  const QString port = ToQString(FForm.EditPortText());
  if (FEditPort->text() != port) FEditPort->setText(port);
  const QString branch = ToQString(FForm.EdtFilialText());
  if (FedtFilial->text() != branch) FedtFilial->setText(branch);
}

void TMainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The window became visible (not a restore by the window system): the
  // show handler runs once the showing is complete.
  if (!event->spontaneous()) QMetaObject::invokeMethod(this, [this] { FormShow(); }, Qt::QueuedConnection);
}

void TMainWindow::FormShow() { RunHandler([this] { FForm.FormShow(); }); }

bool TMainWindow::event(QEvent* event) {
  // After a pending show handler, as the options it reads are reloaded there.
  if (event->type() == QEvent::WindowActivate)
    QMetaObject::invokeMethod(this, [this] { FormActivate(); }, Qt::QueuedConnection);
  return QWidget::event(event);
}

void TMainWindow::FormActivate() { FTabSheet2->chbVerificarclienteatrasoClick(); }

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FedtFilial && event->type() == QEvent::FocusOut &&
      LeavesControl(*static_cast<QFocusEvent*>(event))) {
    RunHandler([this] { FForm.edtFilialExit(); });
  }
  return QWidget::eventFilter(watched, event);
}

void TMainWindow::ApplicationEvents1Idle() {
  FForm.ApplicationEvents1Idle();
  const std::pair<QWidget*, bool> states[] = {{FButtonStart, FForm.ButtonStartEnabled()},
                                              {FButtonStop, FForm.ButtonStopEnabled()},
                                              {FEditPort, FForm.EditPortEnabled()}};
  for (const auto& [control, enabled] : states) {
    // A control losing its focus by being disabled hands it to the page
    // control, not to the next control: landing in the branch box would
    // write the branch file when the operator next clicks elsewhere.
    if (!enabled && control->hasFocus()) FPageControl1->tabBar()->setFocus(Qt::OtherFocusReason);
    control->setEnabled(enabled);
  }
}

void TMainWindow::ButtonOpenBrowserClick() {
  RunHandler([this] { QDesktopServices::openUrl(QUrl(QString::fromStdString(FForm.ButtonOpenBrowserClick()))); });
}

void TMainWindow::WMSysCommand(unsigned command) {
  if (!SysCommandHidesWindow(command)) return;
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    FTrayIcon1->show();  // the way back, also where the area came after start
    hide();
  } else if ((command & 0xFFF0) == SC_CLOSE) {
    showMinimized();
  }
}

void TMainWindow::closeEvent(QCloseEvent* event) {
  if (FClosing) {
    event->accept();
    QCoreApplication::exit(0);
    return;
  }
  event->ignore();
  WMSysCommand(SC_CLOSE);
}

void TMainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // Hidden once the window system has finished minimising; "Mostrar" shows
  // it again in its normal state.
  if (event->type() == QEvent::WindowStateChange && isMinimized())
    QMetaObject::invokeMethod(this, [this] { WMSysCommand(SC_MINIMIZE); }, Qt::QueuedConnection);
}

void TMainWindow::Mostrar1Click() {
  showNormal();
  raise();
  activateWindow();
}

void TMainWindow::Esconder1Click() { hide(); }

void TMainWindow::SyncActivity1Click() {
  RunHandler([this] { QDesktopServices::openUrl(QUrl(QString::fromStdString(FForm.SyncActivityURL()))); });
}

void TMainWindow::RefreshTrayToolTip() {
  const size_t synced = CurrentActivityReport().SyncedToday;
  FTrayIcon1->setToolTip(QString::fromStdString("Web Service: " + std::to_string(synced) +
                                                (synced == 1 ? " representative" : " representatives") +
                                                " synced today"));
}

void TMainWindow::Fechar1Click() {
  FClosing = true;
  close();
}

}  // namespace fieldsync
