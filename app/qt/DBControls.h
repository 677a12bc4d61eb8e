#pragma once
// The options tab's data-aware controls: a tri-state check box over an
// "S"/"N" column and an integer edit, each bound to one column of a cached
// row set. A control shows the column, puts the row set into editing on the
// first change, and stores its value when it loses the focus or, at the
// latest, when the row set is written back. The conversions and their error
// texts are in FieldValues.h; a failure is shown by the window's handler
// runner.

#include <QCheckBox>
#include <QLineEdit>
#include <functional>
#include <string>

#include "app/CachedRowSet.h"

namespace fieldsync {

// Runs a handler of the window: an error it raises is shown in the error box.
// Returns whether the handler completed.
using THandlerRunner = std::function<bool(const std::function<void()>&)>;

class TDBCheckBox : public QCheckBox, public TRowSetLink {
 public:
  TDBCheckBox(const QString& caption, TCachedRowSet& rowSet, std::string column, THandlerRunner run,
              QWidget* parent);
  ~TDBCheckBox() override;

  void RecordChanged() override;
  void UpdateRecord() override;

 protected:
  // A click or the space bar: the row set starts editing, then the box flips
  // (a greyed box becomes ticked).
  void nextCheckState() override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  TCachedRowSet& FRowSet;
  std::string FColumn;
  THandlerRunner FRun;
  bool FModified = false;
};

class TDBIntegerEdit : public QLineEdit, public TRowSetLink {
 public:
  TDBIntegerEdit(TCachedRowSet& rowSet, std::string column, THandlerRunner run, QWidget* parent);
  ~TDBIntegerEdit() override;

  void RecordChanged() override;
  void UpdateRecord() override;

 protected:
  // Only "0" to "9", "+" and "-" are typed (anything else printable beeps);
  // Escape puts the column's value back.
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void OnTextEdited();

  TCachedRowSet& FRowSet;
  std::string FColumn;
  THandlerRunner FRun;
  bool FModified = false;
};

// Whether a focus change means the operator moved on from a control (not
// that the whole window lost activation or a context menu opened).
bool LeavesControl(const QFocusEvent& event);

}  // namespace fieldsync
