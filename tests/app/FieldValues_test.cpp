// How the options tab's controls read and store the columns of the branch
// and configuration rows, on the real row sets of an embedded database.
#include "app/FieldValues.h"

#include <functional>

#include "app/CachedRowSet.h"
#include "core/Error.h"
#include "core/Text.h"
#include "tests/app/HostFixture.h"

using namespace fieldsync;
using namespace fieldsync::testing;

namespace {

class FieldValuesTest : public HostFixture {
 protected:
  TCachedRowSet& Configuracao(int32_t branch) {
    Form = std::make_unique<TForm1>(Dir);
    TCachedRowSet& rows = Form->cdsConfiguracao();
    rows.SetIDFilial(branch);
    rows.Open();
    return rows;
  }
};

// Counts what the row set tells its links.
struct TRecordingLink : TRowSetLink {
  int Changed = 0;
  int Updates = 0;
  std::function<void()> OnUpdate;
  void RecordChanged() override { ++Changed; }
  void UpdateRecord() override {
    ++Updates;
    if (OnUpdate) OnUpdate();
  }
};

}  // namespace

TEST_F(FieldValuesTest, CheckBoxesShowSAndNInEitherCaseAndGreyAnythingElse) {
  Exec("update CONFIGURACAO set MOSTRA_MARGEM = null, RECEBER_ULT_PEDIDOS_ANDROID = 's', USAR_BOLETO_ANDROID = 'S', "
       "MOSTRAR_OBS_CLI_MOBILE = 'n', IMAGENS_NO_ANDROID = 'N', DIGITAR_PRAZO_ANDROID = 'X', "
       "VERIFICAR_CLI_ATRASO_MOB = ' ' where IDFILIAL = 1");
  TCachedRowSet& rows = Configuracao(1);
  const struct {
    const char* column;
    TCheckState state;
  } cases[] = {
      {"MOSTRA_MARGEM", TCheckState::Grayed},          {"RECEBER_ULT_PEDIDOS_ANDROID", TCheckState::Checked},
      {"USAR_BOLETO_ANDROID", TCheckState::Checked},   {"MOSTRAR_OBS_CLI_MOBILE", TCheckState::Unchecked},
      {"IMAGENS_NO_ANDROID", TCheckState::Unchecked},  {"DIGITAR_PRAZO_ANDROID", TCheckState::Grayed},
      {"VERIFICAR_CLI_ATRASO_MOB", TCheckState::Grayed},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckStateOfField(rows, c.column), c.state) << c.column;

  // A click never greys a box.
  EXPECT_EQ(NextCheckState(TCheckState::Grayed), TCheckState::Checked);
  EXPECT_EQ(NextCheckState(TCheckState::Checked), TCheckState::Unchecked);
  EXPECT_EQ(NextCheckState(TCheckState::Unchecked), TCheckState::Checked);
}

TEST_F(FieldValuesTest, CheckStatesAreStoredAsSNOrNull) {
  TCachedRowSet& rows = Configuracao(1);
  StoreCheckState(rows, "MOSTRA_MARGEM", TCheckState::Checked);
  StoreCheckState(rows, "USAR_BOLETO_ANDROID", TCheckState::Unchecked);
  StoreCheckState(rows, "VERIFICAR_CLI_ATRASO_MOB", TCheckState::Grayed);
  rows.ApplyUpdates(0);
  EXPECT_EQ(Read("select MOSTRA_MARGEM || USAR_BOLETO_ANDROID from CONFIGURACAO where IDFILIAL = 1"), "SN");
  EXPECT_EQ(Read("select VERIFICAR_CLI_ATRASO_MOB from CONFIGURACAO where IDFILIAL = 1"), "<null>");
}

TEST_F(FieldValuesTest, IntegerTextsAreStoredOrRefusedWithTheFieldsName) {
  TCachedRowSet& rows = Configuracao(1);
  EXPECT_EQ(IntegerFieldText(rows, "DIAS_EM_ATRASO_MOB"), u"30");
  EXPECT_EQ(IntegerFieldText(rows, "PORTA_FTP"), u"");  // null

  const struct {
    const char* column;
    std::u16string text;
    const char* stored;  // the column's text afterwards, or nullptr
    const char* error;   // the message, or nullptr
  } cases[] = {
      {"DIAS_EM_ATRASO_MOB", u"45", "45", nullptr},
      {"DIAS_EM_ATRASO_MOB", u"-7", "-7", nullptr},
      {"DIAS_EM_ATRASO_MOB", u"+32767", "32767", nullptr},
      {"DIAS_EM_ATRASO_MOB", u"", "", nullptr},
      {"DIAS_EM_ATRASO_MOB", u"32768", nullptr,
       "32768 is not a valid value for field 'DIAS_EM_ATRASO_MOB'. The allowed range is -32768 to 32767"},
      {"DIAS_EM_ATRASO_MOB", u"-32769", nullptr,
       "-32769 is not a valid value for field 'DIAS_EM_ATRASO_MOB'. The allowed range is -32768 to 32767"},
      {"DIAS_EM_ATRASO_MOB", u"-", nullptr, "'-' is not a valid integer value for field 'DIAS_EM_ATRASO_MOB'"},
      {"PORTA_FTP", u"2121", "2121", nullptr},
      {"PORTA_FTP", u"2147483647", "2147483647", nullptr},
      {"PORTA_FTP", u"2147483648", nullptr, "'2147483648' is not a valid integer value for field 'PORTA_FTP'"},
      {"PORTA_FTP", u"12ab", nullptr, "'12ab' is not a valid integer value for field 'PORTA_FTP'"},
  };
  for (const auto& c : cases) {
    const std::string label = c.column + (" " + Utf16ToUtf8(c.text));
    const std::u16string before = IntegerFieldText(rows, c.column);
    try {
      StoreIntegerText(rows, c.column, c.text);
      EXPECT_EQ(c.error, nullptr) << label;
      EXPECT_EQ(Utf16ToUtf8(IntegerFieldText(rows, c.column)), c.stored) << label;
    } catch (const Exception& e) {
      ASSERT_NE(c.error, nullptr) << label << ": " << e.what();
      EXPECT_STREQ(e.what(), c.error);
      EXPECT_EQ(IntegerFieldText(rows, c.column), before) << label;
    }
    EXPECT_EQ(rows.State(), TRowSetState::Editing) << label;
  }
}

TEST_F(FieldValuesTest, IntegerEditsTakeDigitsAndSignsOnly) {
  const std::u16string taken = u"0123456789+-";
  for (char16_t c : taken) EXPECT_TRUE(IsIntegerEditCharacter(c)) << char(c);
  const std::u16string refused = u" a.,/:e\u00e9*";
  for (char16_t c : refused) EXPECT_FALSE(IsIntegerEditCharacter(c)) << int(c);
}

TEST_F(FieldValuesTest, ABranchWithoutRowShowsGreyedEmptyControls) {
  TCachedRowSet& rows = Configuracao(99);
  EXPECT_FALSE(HasEditableRow(rows));
  EXPECT_EQ(CheckStateOfField(rows, "MOSTRA_MARGEM"), TCheckState::Grayed);
  EXPECT_EQ(IntegerFieldText(rows, "DIAS_EM_ATRASO_MOB"), u"");
  rows.Close();
  EXPECT_FALSE(HasEditableRow(rows));
  EXPECT_EQ(CheckStateOfField(rows, "MOSTRA_MARGEM"), TCheckState::Grayed);
}

TEST_F(FieldValuesTest, LinksStoreBeforeTheWriteBackAndMayStopIt) {
  TCachedRowSet& rows = Configuracao(1);
  TRecordingLink link;
  rows.AddLink(link);
  rows.Close();
  rows.Open();
  EXPECT_GE(link.Changed, 1);

  // Nothing pending: nothing asked.
  rows.ApplyUpdates(0);
  EXPECT_EQ(link.Updates, 0);

  // The link's value goes into the same UPDATE.
  rows.Edit();
  link.OnUpdate = [&] { StoreIntegerText(rows, "DIAS_EM_ATRASO_MOB", u"12"); };
  rows.ApplyUpdates(0);
  EXPECT_EQ(link.Updates, 1);
  EXPECT_EQ(Read("select DIAS_EM_ATRASO_MOB from CONFIGURACAO where IDFILIAL = 1"), "12");

  // A refusal stops the write-back and leaves the row editing.
  rows.Edit();
  link.OnUpdate = [&] { StoreIntegerText(rows, "DIAS_EM_ATRASO_MOB", u"x"); };
  EXPECT_THROW(rows.ApplyUpdates(0), Exception);
  EXPECT_EQ(rows.State(), TRowSetState::Editing);
  EXPECT_EQ(Read("select DIAS_EM_ATRASO_MOB from CONFIGURACAO where IDFILIAL = 1"), "12");

  rows.RemoveLink(link);
  link.OnUpdate = nullptr;
  rows.ApplyUpdates(0);
  EXPECT_EQ(link.Updates, 2);
}
