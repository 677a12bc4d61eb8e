#pragma once
// The window's second tab "Opções": the branch's options, each control bound
// to a column of the branch row set (cdsFilial) or the configuration row set
// (cdsConfiguracao). Start writes the changes back.

#include <QWidget>

#include "app/qt/DBControls.h"
#include "app/qt/LayoutScale.h"

class QLabel;

namespace fieldsync {

class TForm1;

class TOptionsTab : public QWidget {
 public:
  TOptionsTab(TForm1& form, const TLayoutScale& scale, THandlerRunner run, QWidget* parent);

  // The days edit and its label are visible exactly when
  // chbVerificarclienteatraso is ticked (greyed counts as not ticked). Runs
  // when the window becomes active (FormActivate) and after a click on
  // chbVerificarclienteatraso, DBCheckBox18, DBCheckBox19 or DBCheckBox20.
  void chbVerificarclienteatrasoClick();

 private:
  TDBCheckBox* FchbVerificarclienteatraso = nullptr;
  TDBIntegerEdit* FdbtDiasEmAtraso = nullptr;
  QLabel* FlblDiasEmAtraso = nullptr;
};

}  // namespace fieldsync
