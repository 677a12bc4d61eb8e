// The operator's window on Qt's offscreen platform: clicks and keys on the
// real widgets drive the real TForm1 over an embedded options database, with
// the real listener on loopback.
#include "app/qt/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <regex>

#include "activity/Activity.h"
#include "activity/ActivityReport.h"
#include "app/CachedRowSet.h"
#include "app/FormUnit1.h"
#include "app/qt/LayoutScale.h"
#include "core/Text.h"
#include "http/HTTPWebBrokerBridge.h"
#include "tests/app/HostFixture.h"

using namespace fieldsync;
using namespace fieldsync::testing;

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "fieldsync";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* created = new QApplication(argc, argv);
    created->setQuitOnLastWindowClosed(false);  // as the program does
    return created;
  }();
  return *app;
}

// Lets the event loop run until it would wait: queued handlers run, and so
// does the idle handler.
void Settle() {
  QEventLoop loop;
  QTimer::singleShot(50, &loop, &QEventLoop::quit);
  loop.exec();
}

struct TBox {
  std::string Title, Text;
  bool StopIcon = false;
};

QString Q(const std::string& text) { return QString::fromStdString(text); }

class MainWindowTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    App();
    // Every modal box is read and answered with OK, so that none can hang a
    // test; a test takes the boxes it expects with AnswerBox.
    QObject::connect(&BoxWatcher, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        Boxes.push_back({box->windowTitle().toStdString(), box->text().toStdString(),
                         box->icon() == QMessageBox::Critical});
        box->accept();
      }
    });
    BoxWatcher.start(10);
  }
  void TearDown() override {
    BoxWatcher.stop();
    for (const TBox& box : Boxes) ADD_FAILURE() << "unexpected box: " << box.Title << ": " << box.Text;
    Window.reset();  // before the logic it shows
    HostFixture::TearDown();
  }

  // The one modal box that a step opens.
  TBox AnswerBox(const std::function<void()>& step) {
    EXPECT_TRUE(Boxes.empty());
    Boxes.clear();
    step();
    Settle();
    // The window is active again once the box is answered.
    if (Window && Window->isVisible()) {
      Window->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
      Settle();
    }
    EXPECT_EQ(Boxes.size(), 1u);
    TBox box = Boxes.empty() ? TBox{} : Boxes.front();
    Boxes.clear();
    return box;
  }

  // The window over a fresh TForm1, shown (FormShow presses Start) and active.
  TMainWindow& Open() {
    Form = std::make_unique<TForm1>(Dir);
    Window = std::make_unique<TMainWindow>(*Form, "fieldsync");
    Window->show();
    Window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    Settle();
    return *Window;
  }

  template <class T>
  T& Find(const char* name) {
    T* child = Window->findChild<T*>(name);
    if (!child) throw std::runtime_error(std::string("no control named ") + name);
    return *child;
  }

  void ShowTab(int index) {
    Find<QTabWidget>("PageControl1").setCurrentIndex(index);
    Settle();
  }
  void Click(const char* name) {
    auto& button = Find<QAbstractButton>(name);
    // On the box itself: a check box takes clicks on its box and caption only.
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(6, button.height() / 2));
    Settle();
  }
  // Replaces an edit's text by typing, as the operator would.
  void Type(const char* name, const QString& text) {
    auto& edit = Find<QLineEdit>(name);
    edit.setFocus(Qt::MouseFocusReason);
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClicks(&edit, text);
  }
  // Tabs on to the next control.
  void LeaveWithTab(const char* name) {
    QTest::keyClick(&Find<QWidget>(name), Qt::Key_Tab);
    Settle();
  }
  Qt::CheckState Box(const char* name) { return Find<QCheckBox>(name).checkState(); }

  std::unique_ptr<TMainWindow> Window;
  QTimer BoxWatcher;
  std::vector<TBox> Boxes;
};

}  // namespace

TEST_F(MainWindowTest, ShowsBothTabsWithEveryControlAtItsPlace) {
  TMainWindow& window = Open();
  const TLayoutScale scale(window.screen());
  EXPECT_EQ(window.windowTitle(), "Web Service");
  EXPECT_EQ(window.size(), QSize(scale(364), scale(575)));
  auto& pages = Find<QTabWidget>("PageControl1");
  ASSERT_EQ(pages.count(), 2);
  EXPECT_EQ(pages.tabText(0), "Principal");
  EXPECT_EQ(pages.tabText(1), QString::fromUtf8("Opções"));
  EXPECT_EQ(pages.geometry(), window.rect());

  const struct {
    const char* name;
    const char* caption;  // nullptr: an edit
    int left, top, width, height;  // 0, 0: a label, sized to its whole caption
  } controls[] = {
      {"ButtonStart", "Start", 8, 8, 75, 25},
      {"ButtonStop", "Stop", 89, 8, 75, 25},
      {"Label1", "Port", 8, 48, 0, 0},
      {"EditPort", nullptr, 8, 65, 121, 21},
      {"Label2", "Filial", 248, 13, 0, 0},
      {"edtFilial", nullptr, 248, 32, 89, 21},
      {"ButtonOpenBrowser", "Open Browser", 137, 280, 107, 25},
      {"DBCheckBox1", "Trabalhar com Condição de Pagto do Cliente", 3, 9, 237, 17},
      {"DBCheckBox2", "Trabalhar com Forma de Pagto do Cliente", 3, 33, 230, 17},
      {"DBCheckBox3", "Trabalhar com Tabela de Preço do Cliente", 3, 57, 214, 17},
      {"DBCheckBox4", "Não alterar Cliente", 3, 81, 214, 17},
      {"DBCheckBox5", "Não incluir Cliente", 3, 105, 214, 17},
      {"DBCheckBox6", "Vendedores trabalham com Consignação", 3, 129, 214, 17},
      {"DBCheckBox7", "Fazer consistência de dados", 3, 153, 214, 17},
      {"DBCheckBox8", "Faturar com Estoque Negativo", 3, 177, 214, 17},
      {"DBCheckBox9", "Não alterar Preço de Venda", 3, 201, 214, 17},
      {"DBCheckBox10", "Permitir Desconto", 3, 225, 214, 17},
      {"DBCheckBox11", "Permitir Acréscimo", 3, 249, 214, 17},
      {"DBCheckBox12", "Usar Tabela de Preço do Representante", 3, 273, 214, 17},
      {"DBCheckBox13", "Clientes: [S] Todos | [ ] Representante", 3, 297, 214, 17},
      {"DBCheckBox14", "Tratar Clientes Novos", 3, 321, 214, 17},
      {"DBCheckBox15", "Mostrar Margem", 3, 345, 214, 17},
      {"DBCheckBox16", "Receber Últimos Pedidos", 3, 369, 150, 17},
      {"DBCheckBox17", "Usar Boleto", 3, 393, 150, 17},
      {"chbVerificarclienteatraso", "Verificar cliente em atraso", 3, 417, 150, 17},
      {"lblDiasEmAtraso", "Dias em atraso", 159, 400, 0, 0},
      {"dbtDiasEmAtraso", nullptr, 159, 416, 81, 21},
      {"DBCheckBox18", "Mostrar Observação do Cliente", 3, 441, 174, 17},
      {"Label3", "Porta FTP:", 3, 521, 0, 0},
      {"DBEdit1", nullptr, 60, 519, 61, 21},
      {"DBCheckBox19", "Imagens do Produto no Android", 3, 465, 174, 17},
      {"DBCheckBox20", "Digitar Prazo Android", 3, 490, 174, 17},
  };
  for (const auto& c : controls) {
    QWidget& control = Find<QWidget>(c.name);
    EXPECT_EQ(control.pos(), QPoint(scale(c.left), scale(c.top))) << c.name;
    if (qobject_cast<QCheckBox*>(&control)) {
      // At least its reference width, and wide enough for its caption.
      EXPECT_EQ(control.height(), scale(c.height)) << c.name;
      EXPECT_EQ(control.width(), std::max(scale(c.width), control.sizeHint().width())) << c.name;
    } else if (c.height != 0) {
      EXPECT_EQ(control.size(), QSize(scale(c.width), scale(c.height))) << c.name;
    }
    if (!c.caption) continue;
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(&control)) text = button->text();
    if (auto* label = qobject_cast<QLabel*>(&control)) {
      text = label->text();
      EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(text)) << c.name;
    }
    EXPECT_EQ(text, QString::fromUtf8(c.caption)) << c.name;
  }
  // The options tab's tab order is the order of its table.
  QWidget* focus = &Find<QWidget>("DBCheckBox17");
  for (const char* next : {"chbVerificarclienteatraso", "dbtDiasEmAtraso", "DBCheckBox18", "DBEdit1", "DBCheckBox19"}) {
    do focus = focus->nextInFocusChain();
    while (!(focus->focusPolicy() & Qt::TabFocus));
    EXPECT_EQ(focus->objectName().toStdString(), next);
  }
  EXPECT_FALSE(Find<QWidget>("ButtonOpenBrowser").isVisible());
  auto& tray = Find<QSystemTrayIcon>("TrayIcon1");
  EXPECT_EQ(tray.isVisible(), QSystemTrayIcon::isSystemTrayAvailable());
  ASSERT_EQ(tray.contextMenu(), &Find<QMenu>("PopupMenu1"));
  QStringList items;
  for (QAction* action : tray.contextMenu()->actions()) items << action->objectName() + " " + action->text();
  EXPECT_EQ(items, QStringList({"Mostrar1 Mostrar", "Esconder1 Ocultar", "SyncActivity1 Sync activity",
                                "Fechar1 Fechar"}));
  ShowTab(1);
  EXPECT_FALSE(Find<QWidget>("ButtonOpenBrowser").isVisible());
}

TEST_F(MainWindowTest, StartAndStopFollowTheListener) {
  Open();
  // The showing pressed Start; the idle handler enabled the controls.
  EXPECT_TRUE(Listening(Port1));
  EXPECT_EQ(Find<QLineEdit>("EditPort").text(), Q(std::to_string(Port1)));
  EXPECT_FALSE(Find<QPushButton>("ButtonStart").isEnabled());
  EXPECT_TRUE(Find<QPushButton>("ButtonStop").isEnabled());
  EXPECT_FALSE(Find<QLineEdit>("EditPort").isEnabled());
  EXPECT_TRUE(Find<QLineEdit>("edtFilial").isEnabled());

  Click("ButtonStop");
  EXPECT_FALSE(Listening(Port1));
  EXPECT_TRUE(Find<QPushButton>("ButtonStart").isEnabled());
  EXPECT_FALSE(Find<QPushButton>("ButtonStop").isEnabled());
  EXPECT_TRUE(Find<QLineEdit>("EditPort").isEnabled());

  Click("ButtonStart");
  EXPECT_TRUE(Listening(Port1));
  EXPECT_FALSE(Find<QPushButton>("ButtonStart").isEnabled());
}

TEST_F(MainWindowTest, PortBoxRefusesAnInvalidPortAndStartWritesTheTypedOne) {
  Open();
  Click("ButtonStop");
  const struct {
    QString typed;
    std::string message;
  } refused[] = {
      {"abc", "'abc' is not a valid integer value."},
      {"", "'' is not a valid integer value."},
      {"40000", "40000 is not a valid value for field 'PORTA_MOBILE'. The allowed range is -32768 to 32767."},
  };
  for (const auto& c : refused) {
    Type("EditPort", c.typed);
    EXPECT_EQ(Form->cdsFilial().State(), TRowSetState::Editing);
    const TBox box = AnswerBox([&] { Click("ButtonStart"); });
    EXPECT_EQ(box.Title, "fieldsync");
    EXPECT_EQ(box.Text, c.message);
    EXPECT_TRUE(box.StopIcon);
    EXPECT_FALSE(Form->Server().Active());
  }

  const uint16_t port = FreePort();
  Type("EditPort", Q(std::to_string(port)));
  Click("ButtonStart");
  EXPECT_TRUE(Listening(port));
  EXPECT_EQ(Read("select PORTA_MOBILE from FILIAL where IDFILIAL = 1"), std::to_string(port));
  EXPECT_EQ(Form->cdsFilial().State(), TRowSetState::Browsing);
}

TEST_F(MainWindowTest, BranchBoxIsWrittenWhenTheFocusLeavesIt) {
  Open();
  Type("edtFilial", "7");
  EXPECT_FALSE(std::filesystem::exists(Dir / "fil.txt"));  // typing alone writes nothing
  LeaveWithTab("edtFilial");
  EXPECT_EQ(ReadFile(Dir / "fil.txt"), "7\r\n");
  EXPECT_EQ(Form->IDFilial.load(), 7);
  // The options tab keeps showing the branch it was opened with.
  EXPECT_EQ(Form->cdsFilial().FieldAsInteger("IDFILIAL"), 1);

  Type("edtFilial", "x7 ");
  const TBox box = AnswerBox([&] { LeaveWithTab("edtFilial"); });
  EXPECT_EQ(box.Text, "'x7 ' is not a valid integer value.");
  EXPECT_EQ(ReadFile(Dir / "fil.txt"), "x7 \r\n");
  EXPECT_EQ(Form->IDFilial.load(), 7);
}

TEST_F(MainWindowTest, AFailedShowingLeavesTheListenerStopped) {
  WriteFile(Dir / "fil.txt", "abc\r\n");
  Form = std::make_unique<TForm1>(Dir);
  Window = std::make_unique<TMainWindow>(*Form, "fieldsync");
  const TBox box = AnswerBox([&] { Window->show(); });
  EXPECT_EQ(box.Title, "fieldsync");
  EXPECT_EQ(box.Text, "Invalid numeric input.");
  EXPECT_TRUE(Window->isVisible());
  EXPECT_FALSE(Form->Server().Active());
  EXPECT_TRUE(Find<QPushButton>("ButtonStart").isEnabled());
}

TEST_F(MainWindowTest, TrayMenuHidesAndShowsAndShowingRereadsTheBranchFile) {
  TMainWindow& window = Open();
  Find<QAction>("Esconder1").trigger();
  Settle();
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(Listening(Port1));

  WriteFile(Dir / "fil.txt", "12\r\n");
  Find<QAction>("Mostrar1").trigger();
  Settle();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(Find<QLineEdit>("edtFilial").text(), "12");
  EXPECT_EQ(Form->IDFilial.load(), 12);
  // Start was pressed again; it does not restart a running listener.
  EXPECT_TRUE(Listening(Port1));
  EXPECT_FALSE(Listening(Port12));
  EXPECT_EQ(Find<QLineEdit>("EditPort").text(), Q(std::to_string(Port12)));

  // "Mostrar" on a visible window does not show it again.
  WriteFile(Dir / "fil.txt", "0\r\n");
  Find<QAction>("Mostrar1").trigger();
  Settle();
  EXPECT_EQ(Form->IDFilial.load(), 12);
}

TEST_F(MainWindowTest, TitleBarCloseAndMinimiseKeepTheServiceRunning) {
  TMainWindow& window = Open();
  EXPECT_TRUE(window.close() == false);
  Settle();
  // With a notification area the window hides to it; without one it could not
  // be brought back, so it is minimised instead.
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    EXPECT_FALSE(window.isVisible());
  } else {
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
  }
  EXPECT_TRUE(Listening(Port1));

  Find<QAction>("Mostrar1").trigger();
  Settle();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
  window.showMinimized();
  Settle();
  EXPECT_EQ(window.isVisible(), !QSystemTrayIcon::isSystemTrayAvailable());
  EXPECT_TRUE(Listening(Port1));
}

TEST_F(MainWindowTest, FecharEndsTheEventLoopAndTheProgramStopsTheListener) {
  TMainWindow& window = Open();
  Find<QAction>("Esconder1").trigger();
  QTimer::singleShot(0, [this] { Find<QAction>("Fechar1").trigger(); });
  EXPECT_EQ(App().exec(), 0);
  EXPECT_FALSE(window.isVisible());
  // The program then ends the window and its logic, as a termination signal does.
  Window.reset();
  Form.reset();
  EXPECT_FALSE(Listening(Port1));
}

TEST_F(MainWindowTest, OptionsTabShowsTriStateBoxesAndStartWritesThemBack) {
  Exec("update FILIAL set N_ALTERA_CLIENTE = 'N', N_INCLUI_CLIENTE = 'x' where IDFILIAL = 1");
  Exec("update CONFIGURACAO set USAR_BOLETO_ANDROID = 's', MOSTRA_MARGEM = null, DIGITAR_PRAZO_ANDROID = 'N' "
       "where IDFILIAL = 1");
  Open();
  ShowTab(1);
  const struct {
    const char* name;
    Qt::CheckState state;
  } shown[] = {
      {"DBCheckBox2", Qt::Checked},           // "S"
      {"DBCheckBox4", Qt::Unchecked},         // "N"
      {"DBCheckBox5", Qt::PartiallyChecked},  // "x"
      {"DBCheckBox1", Qt::PartiallyChecked},  // null
      {"DBCheckBox17", Qt::Checked},          // "s"
      {"DBCheckBox15", Qt::PartiallyChecked},
      {"DBCheckBox20", Qt::Unchecked},
  };
  for (const auto& c : shown) EXPECT_EQ(Box(c.name), c.state) << c.name;

  // The first change puts the row into editing; a greyed box becomes ticked.
  Click("DBCheckBox15");
  EXPECT_EQ(Form->cdsConfiguracao().State(), TRowSetState::Editing);
  EXPECT_EQ(Box("DBCheckBox15"), Qt::Checked);
  Click("DBCheckBox17");
  EXPECT_EQ(Box("DBCheckBox17"), Qt::Unchecked);
  // The keyboard flips a box too, and leaving it stores its value.
  Find<QWidget>("DBCheckBox20").setFocus(Qt::TabFocusReason);
  QTest::keyClick(&Find<QWidget>("DBCheckBox20"), Qt::Key_Space);
  EXPECT_EQ(Box("DBCheckBox20"), Qt::Checked);
  LeaveWithTab("DBCheckBox20");
  EXPECT_EQ(Form->cdsConfiguracao().FieldAsString("DIGITAR_PRAZO_ANDROID"), u"S");
  Click("DBCheckBox4");
  EXPECT_EQ(Form->cdsFilial().State(), TRowSetState::Editing);
  EXPECT_EQ(Read("select MOSTRA_MARGEM from CONFIGURACAO where IDFILIAL = 1"), "<null>");  // not yet written

  ShowTab(0);
  Click("ButtonStop");
  Click("ButtonStart");
  EXPECT_TRUE(Listening(Port1));
  EXPECT_EQ(Read("select MOSTRA_MARGEM || USAR_BOLETO_ANDROID || DIGITAR_PRAZO_ANDROID from CONFIGURACAO "
                 "where IDFILIAL = 1"),
            "SNS");
  EXPECT_EQ(Read("select N_ALTERA_CLIENTE || N_INCLUI_CLIENTE from FILIAL where IDFILIAL = 1"), "Sx");
  EXPECT_EQ(Form->cdsConfiguracao().State(), TRowSetState::Browsing);
  EXPECT_EQ(Form->cdsFilial().State(), TRowSetState::Browsing);
}

TEST_F(MainWindowTest, IntegerEditsTakeDigitsAndSignsAndEscapeRestores) {
  Open();
  ShowTab(1);
  // Escape puts the column's value back; the row stays editing.
  Type("dbtDiasEmAtraso", "99");
  QTest::keyClick(&Find<QWidget>("dbtDiasEmAtraso"), Qt::Key_Escape);
  EXPECT_EQ(Find<QLineEdit>("dbtDiasEmAtraso").text(), "30");
  EXPECT_EQ(Form->cdsConfiguracao().State(), TRowSetState::Editing);

  const struct {
    const char* edit;
    QString typed;
    QString shown;
  } cases[] = {
      {"dbtDiasEmAtraso", "4x5", "45"},
      {"dbtDiasEmAtraso", "-7.", "-7"},
      {"dbtDiasEmAtraso", "+ 3", "+3"},
      {"DBEdit1", "21a21", "2121"},
      {"DBEdit1", "9* ", "9"},
  };
  for (const auto& c : cases) {
    Type(c.edit, c.typed);
    EXPECT_EQ(Find<QLineEdit>(c.edit).text(), c.shown) << c.edit << " " << c.typed.toStdString();
  }
  // Escape after a value was stored puts the stored value back.
  LeaveWithTab("DBEdit1");
  Type("DBEdit1", "77");
  QTest::keyClick(&Find<QWidget>("DBEdit1"), Qt::Key_Escape);
  EXPECT_EQ(Find<QLineEdit>("DBEdit1").text(), "9");

  // Leaving an edit stores its text; an empty one stores null.
  Type("DBEdit1", "2121");
  LeaveWithTab("DBEdit1");
  EXPECT_EQ(Form->cdsConfiguracao().FieldAsInteger("PORTA_FTP"), 2121);
  Type("dbtDiasEmAtraso", "");
  LeaveWithTab("dbtDiasEmAtraso");
  EXPECT_TRUE(Form->cdsConfiguracao().FieldIsNull("DIAS_EM_ATRASO_MOB"));
  Type("dbtDiasEmAtraso", "45");

  ShowTab(0);
  Click("ButtonStop");
  Click("ButtonStart");
  EXPECT_EQ(Read("select PORTA_FTP || '/' || DIAS_EM_ATRASO_MOB from CONFIGURACAO where IDFILIAL = 1"), "2121/45");
  EXPECT_EQ(Form->DiasEmAtraso.load(), 45);
}

TEST_F(MainWindowTest, ADaysValueThatCannotBeStoredStopsStart) {
  Open();
  ShowTab(1);
  const struct {
    QString typed;
    std::string message;
  } cases[] = {
      // No period after a closing quote, which comes before "." in code order.
      {"-", "'-' is not a valid integer value for field 'DIAS_EM_ATRASO_MOB'"},
      {"1+2", "'1+2' is not a valid integer value for field 'DIAS_EM_ATRASO_MOB'"},
      {"40000", "40000 is not a valid value for field 'DIAS_EM_ATRASO_MOB'. The allowed range is -32768 to 32767."},
  };
  Click("ButtonStop");  // on the main tab's behalf: the listener is stopped
  for (const auto& c : cases) {
    ShowTab(1);
    Type("dbtDiasEmAtraso", c.typed);
    // Leaving the edit refuses the value and keeps the focus in it.
    const TBox left = AnswerBox([&] { LeaveWithTab("dbtDiasEmAtraso"); });
    EXPECT_EQ(left.Text, c.message);
    EXPECT_TRUE(Find<QWidget>("dbtDiasEmAtraso").hasFocus());
    // Leaving it for the main tab refuses it again; Start writes nothing and
    // leaves the listener stopped.
    EXPECT_EQ(AnswerBox([&] { ShowTab(0); }).Text, c.message);
    const TBox started = AnswerBox([&] { Click("ButtonStart"); });
    EXPECT_EQ(started.Text, c.message);
    EXPECT_FALSE(Form->Server().Active());
    EXPECT_EQ(Form->cdsConfiguracao().State(), TRowSetState::Editing);
    EXPECT_EQ(Read("select DIAS_EM_ATRASO_MOB from CONFIGURACAO where IDFILIAL = 1"), "30");
  }
}

TEST_F(MainWindowTest, DaysEditIsVisibleExactlyWhenTheOverdueCheckIsTicked) {
  TMainWindow& window = Open();  // VERIFICAR_CLI_ATRASO_MOB is "S"
  ShowTab(1);
  auto shown = [&] {
    const bool edit = !Find<QWidget>("dbtDiasEmAtraso").isHidden();
    EXPECT_EQ(!Find<QWidget>("lblDiasEmAtraso").isHidden(), edit);
    return edit;
  };
  EXPECT_TRUE(shown());
  Click("chbVerificarclienteatraso");
  EXPECT_FALSE(shown());
  // The other boxes that run the rule look only at the overdue check.
  Click("DBCheckBox18");
  EXPECT_FALSE(shown());
  Click("chbVerificarclienteatraso");
  EXPECT_TRUE(shown());
  Click("DBCheckBox19");
  EXPECT_TRUE(shown());

  // Greyed counts as not ticked; the rule runs when the window is activated.
  Exec("update CONFIGURACAO set VERIFICAR_CLI_ATRASO_MOB = null where IDFILIAL = 1");
  Find<QAction>("Esconder1").trigger();
  QWidget other;  // the operator works in another window meanwhile
  other.show();
  other.activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
  Settle();
  Find<QAction>("Mostrar1").trigger();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  Settle();
  EXPECT_EQ(Box("chbVerificarclienteatraso"), Qt::PartiallyChecked);
  EXPECT_FALSE(shown());
}

TEST_F(MainWindowTest, OptionsChangedThenHiddenAndShownWithoutStartAreLost) {
  TMainWindow& window = Open();
  ShowTab(1);
  Click("DBCheckBox17");
  Type("DBEdit1", "2121");
  Find<QAction>("Esconder1").trigger();
  Settle();
  Find<QAction>("Mostrar1").trigger();
  Settle();
  ASSERT_TRUE(window.isVisible());
  EXPECT_EQ(Box("DBCheckBox17"), Qt::PartiallyChecked);  // null, as stored
  EXPECT_EQ(Find<QLineEdit>("DBEdit1").text(), "");
  EXPECT_EQ(Form->cdsConfiguracao().State(), TRowSetState::Browsing);
  EXPECT_EQ(Read("select PORTA_FTP from CONFIGURACAO where IDFILIAL = 1"), "<null>");
}

TEST_F(MainWindowTest, AFailedWriteBackShowsTheDatabaseErrorAndStartsNothing) {
  Open();
  ShowTab(1);
  Click("DBCheckBox15");
  Exec("alter table CONFIGURACAO add constraint NO_MARGIN check (MOSTRA_MARGEM is distinct from 'S')");
  ShowTab(0);
  Click("ButtonStop");
  const TBox box = AnswerBox([&] { Click("ButtonStart"); });
  EXPECT_EQ(box.Title, "fieldsync");
  EXPECT_NE(box.Text.find("NO_MARGIN"), std::string::npos) << box.Text;
  EXPECT_TRUE(box.StopIcon);
  EXPECT_FALSE(Form->Server().Active());
  EXPECT_EQ(Form->cdsConfiguracao().State(), TRowSetState::Editing);
}

TEST_F(MainWindowTest, ABranchWithoutOptionRowsShowsDisabledControls) {
  WriteFile(Dir / "fil.txt", "99\r\n");
  Open();
  ShowTab(1);
  for (const char* name : {"DBCheckBox1", "DBCheckBox15", "dbtDiasEmAtraso", "DBEdit1"})
    EXPECT_FALSE(Find<QWidget>(name).isEnabled()) << name;
  EXPECT_EQ(Box("DBCheckBox1"), Qt::PartiallyChecked);
}

namespace {

// Takes the addresses given to the system's default handler for web pages.
class TUrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> Urls;
 public slots:
  void Open(const QUrl& url) { Urls << url; }
};

}  // namespace

TEST_F(MainWindowTest, OpenBrowserStartsTheListenerAndOpensTheLandingPage) {
  Open();
  TUrlCatcher catcher;
  QDesktopServices::setUrlHandler("http", &catcher, "Open");
  Click("ButtonStop");
  const uint16_t port = FreePort();
  Type("EditPort", Q(std::to_string(port)));
  Find<QPushButton>("ButtonOpenBrowser").click();
  Settle();
  QDesktopServices::unsetUrlHandler("http");
  EXPECT_TRUE(Listening(port));
  ASSERT_EQ(catcher.Urls.size(), 1);
  EXPECT_EQ(catcher.Urls[0], QUrl(Q("http://localhost:" + std::to_string(port))));
  EXPECT_FALSE(Find<QWidget>("ButtonOpenBrowser").isVisible());
}

TEST_F(MainWindowTest, TraySyncActivityOpensTheOperatorsPageWithoutTouchingTheListener) {
  Open();
  const uint16_t port = Port1;  // the showing started the listener on the branch's port
  ASSERT_TRUE(Listening(port));
  TUrlCatcher catcher;
  QDesktopServices::setUrlHandler("http", &catcher, "Open");
  auto& item = *Find<QMenu>("PopupMenu1").findChild<QAction*>("SyncActivity1");
  item.trigger();
  Settle();
  QDesktopServices::unsetUrlHandler("http");
  ASSERT_EQ(catcher.Urls.size(), 1);
  EXPECT_EQ(catcher.Urls[0], QUrl(Q("http://localhost:" + std::to_string(port) + "/SyncActivity")));
  EXPECT_TRUE(Listening(port));
  EXPECT_EQ(Find<QLineEdit>("EditPort").text(), Q(std::to_string(port)));
  EXPECT_EQ(Window->windowTitle(), "Web Service");
}

// A successful call of a representative's, now.
TRequestRecord RepresentativeCall(const char* representative) {
  TRequestRecord record;
  record.StartUnixUs = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
  record.RemoteAddr.Assign("127.0.0.9");
  record.SessionId.Assign(std::string("session-") + representative);
  record.MethodName.Assign("GetCliente");
  record.MethodResolved = true;
  record.Status = 200;
  record.Representative.Assign(representative);
  return record;
}

TEST_F(MainWindowTest, TrayToolTipCountsTheRepresentativesWhoSyncedToday) {
  Open();
  auto& tray = Find<QSystemTrayIcon>("TrayIcon1");
  const std::regex shape("Web Service: ([0-9]+) representatives? synced today");
  std::smatch match;
  const std::string before = tray.toolTip().toStdString();
  ASSERT_TRUE(std::regex_match(before, match, shape)) << before;
  const int counted = std::stoi(match[1]);
  const int64_t dayBefore = LocalDay(RepresentativeCall("").StartUnixUs);
  Activity().Record(RepresentativeCall("90001"));
  Activity().Record(RepresentativeCall("90002"));
  Activity().Record(RepresentativeCall("90001"));
  emit Find<QMenu>("PopupMenu1").aboutToShow();  // the menu opening refreshes it
  const std::string after = tray.toolTip().toStdString();
  ASSERT_TRUE(std::regex_match(after, match, shape)) << after;
  // Across midnight the morning's count starts again; otherwise two more.
  if (LocalDay(RepresentativeCall("").StartUnixUs) == dayBefore) {
    EXPECT_EQ(std::stoi(match[1]), counted + 2) << before << " / " << after;
  }
}

TEST_F(MainWindowTest, RendersBothTabsToPng) {
  Exec("update CONFIGURACAO set USAR_BOLETO_ANDROID = 'S', MOSTRA_MARGEM = 'N', PORTA_FTP = 21 where IDFILIAL = 1");
  WriteFile(Dir / "fil.txt", "1\r\n");
  TMainWindow& window = Open();
  const std::filesystem::path dir = FIELDSYNC_SCREENSHOT_DIR;
  std::filesystem::create_directories(dir);
  const struct {
    int tab;
    const char* file;
  } shots[] = {{0, "window-principal.png"}, {1, "window-opcoes.png"}};
  QImage images[2];
  for (int i = 0; i < 2; ++i) {
    ShowTab(shots[i].tab);
    images[i] = window.grab().toImage();
    EXPECT_EQ(images[i].size(), window.size() * window.devicePixelRatio());
    const QString path = QString::fromStdString((dir / shots[i].file).string());
    ASSERT_TRUE(images[i].save(path, "PNG")) << shots[i].file;
    EXPECT_EQ(QImage(path, "PNG").convertToFormat(images[i].format()), images[i]) << shots[i].file;
  }
  EXPECT_NE(images[0], images[1]);
}

#include "MainWindow_test.moc"
