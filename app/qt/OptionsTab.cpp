#include "app/qt/OptionsTab.h"

#include <QLabel>
#include <algorithm>

#include "app/FormUnit1.h"

namespace fieldsync {

namespace {

// Check boxes have the reference height of the platform's check box.
constexpr int CheckBoxHeight = 17;
constexpr int EditHeight = 21;

enum class TRows { Filial, Configuracao };

struct TCheckBoxEntry {
  const char* Name;
  const char* Caption;
  const char* Column;
  TRows Rows;
  int Left, Top, Width;
};

// In tab order; the days edit and the FTP port edit sit between them.
constexpr TCheckBoxEntry CheckBoxes[] = {
    {"DBCheckBox1", "Trabalhar com Condição de Pagto do Cliente", "N_ESCOLHER_CONDICAO", TRows::Filial, 3, 9, 237},
    {"DBCheckBox2", "Trabalhar com Forma de Pagto do Cliente", "N_ESCOLHER_FORMA", TRows::Filial, 3, 33, 230},
    {"DBCheckBox3", "Trabalhar com Tabela de Preço do Cliente", "N_ESCOLHER_TABELA", TRows::Filial, 3, 57, 214},
    {"DBCheckBox4", "Não alterar Cliente", "N_ALTERA_CLIENTE", TRows::Filial, 3, 81, 214},
    {"DBCheckBox5", "Não incluir Cliente", "N_INCLUI_CLIENTE", TRows::Filial, 3, 105, 214},
    {"DBCheckBox6", "Vendedores trabalham com Consignação", "VEND_TRABALHA_C_CONSIG", TRows::Filial, 3, 129, 214},
    {"DBCheckBox7", "Fazer consistência de dados", "FAZER_CONSISTENCIA_MOBILE", TRows::Filial, 3, 153, 214},
    {"DBCheckBox8", "Faturar com Estoque Negativo", "FATURAR_ESTOQUE_NEGATIVO", TRows::Filial, 3, 177, 214},
    {"DBCheckBox9", "Não alterar Preço de Venda", "NAO_ALTERAR_PRECO_VENDA_MOBILE", TRows::Filial, 3, 201, 214},
    {"DBCheckBox10", "Permitir Desconto", "PERMITIR_DESCONTO_MOBILE", TRows::Filial, 3, 225, 214},
    {"DBCheckBox11", "Permitir Acréscimo", "PERMITIR_ACRESCIMO_MOBILE", TRows::Filial, 3, 249, 214},
    {"DBCheckBox12", "Usar Tabela de Preço do Representante", "USAR_TABELA_REP_MOBILE", TRows::Filial, 3, 273, 214},
    {"DBCheckBox13", "Clientes: [S] Todos | [ ] Representante", "LEVAR_TODOS_CLIENTES_MOB", TRows::Filial, 3, 297, 214},
    {"DBCheckBox14", "Tratar Clientes Novos", "TRATAR_CLI_NOVOS_MOBILE", TRows::Filial, 3, 321, 214},
    {"DBCheckBox15", "Mostrar Margem", "MOSTRA_MARGEM", TRows::Configuracao, 3, 345, 214},
    {"DBCheckBox16", "Receber Últimos Pedidos", "RECEBER_ULT_PEDIDOS_ANDROID", TRows::Configuracao, 3, 369, 150},
    {"DBCheckBox17", "Usar Boleto", "USAR_BOLETO_ANDROID", TRows::Configuracao, 3, 393, 150},
    {"chbVerificarclienteatraso", "Verificar cliente em atraso", "VERIFICAR_CLI_ATRASO_MOB", TRows::Configuracao, 3,
     417, 150},
    {"DBCheckBox18", "Mostrar Observação do Cliente", "MOSTRAR_OBS_CLI_MOBILE", TRows::Configuracao, 3, 441, 174},
    {"DBCheckBox19", "Imagens do Produto no Android", "IMAGENS_NO_ANDROID", TRows::Configuracao, 3, 465, 174},
    {"DBCheckBox20", "Digitar Prazo Android", "DIGITAR_PRAZO_ANDROID", TRows::Configuracao, 3, 490, 174},
};

// The boxes whose click re-runs the visibility rule.
constexpr const char* VisibilityRuleBoxes[] = {"chbVerificarclienteatraso", "DBCheckBox18", "DBCheckBox19",
                                               "DBCheckBox20"};

// Labels size themselves to their caption.
QLabel* AddLabel(QWidget* parent, const char* name, const char* caption, QPoint position) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(name);
  label->move(position);
  label->adjustSize();
  return label;
}

}  // namespace

TOptionsTab::TOptionsTab(TForm1& form, const TLayoutScale& scale, THandlerRunner run, QWidget* parent)
    : QWidget(parent) {
  setObjectName("TabSheet2");
  QWidget* previous = nullptr;
  auto chain = [&previous](QWidget* next) {
    if (previous) QWidget::setTabOrder(previous, next);
    previous = next;
  };
  for (const auto& entry : CheckBoxes) {
    TCachedRowSet& rows = entry.Rows == TRows::Filial ? form.cdsFilial() : form.cdsConfiguracao();
    auto* box = new TDBCheckBox(QString::fromUtf8(entry.Caption), rows, entry.Column, run, this);
    box->setObjectName(entry.Name);
    // Never narrower than its caption: the reference widths were made for a
    // smaller check mark and font than some desktops have.
    const QRect reference = scale.Rect(entry.Left, entry.Top, entry.Width, CheckBoxHeight);
    box->setGeometry(reference.adjusted(0, 0, std::max(0, box->sizeHint().width() - reference.width()), 0));
    chain(box);
    for (const char* name : VisibilityRuleBoxes) {
      if (std::string_view(name) == entry.Name)
        connect(box, &QCheckBox::clicked, this, [this] { chbVerificarclienteatrasoClick(); });
    }
    if (std::string_view(entry.Name) == "chbVerificarclienteatraso") {
      FchbVerificarclienteatraso = box;
      FlblDiasEmAtraso = AddLabel(this, "lblDiasEmAtraso", "Dias em atraso", QPoint(scale(159), scale(400)));
      FdbtDiasEmAtraso = new TDBIntegerEdit(form.cdsConfiguracao(), "DIAS_EM_ATRASO_MOB", run, this);
      FdbtDiasEmAtraso->setObjectName("dbtDiasEmAtraso");
      FdbtDiasEmAtraso->setGeometry(scale.Rect(159, 416, 81, EditHeight));
      chain(FdbtDiasEmAtraso);
    } else if (std::string_view(entry.Name) == "DBCheckBox18") {
      AddLabel(this, "Label3", "Porta FTP:", QPoint(scale(3), scale(521)));
      auto* ftpPort = new TDBIntegerEdit(form.cdsConfiguracao(), "PORTA_FTP", run, this);
      ftpPort->setObjectName("DBEdit1");
      ftpPort->setGeometry(scale.Rect(60, 519, 61, EditHeight));
      chain(ftpPort);
    }
  }
}

void TOptionsTab::chbVerificarclienteatrasoClick() {
  const bool visible = FchbVerificarclienteatraso->checkState() == Qt::Checked;
  FdbtDiasEmAtraso->setVisible(visible);
  FlblDiasEmAtraso->setVisible(visible);
}

}  // namespace fieldsync
