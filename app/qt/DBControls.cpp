#include "app/qt/DBControls.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

#include "app/FieldValues.h"
#include "core/Text.h"

namespace fieldsync {

namespace {

Qt::CheckState ToQt(TCheckState state) {
  switch (state) {
    case TCheckState::Checked:
      return Qt::Checked;
    case TCheckState::Unchecked:
      return Qt::Unchecked;
    case TCheckState::Grayed:
      break;
  }
  return Qt::PartiallyChecked;
}

TCheckState FromQt(Qt::CheckState state) {
  switch (state) {
    case Qt::Checked:
      return TCheckState::Checked;
    case Qt::Unchecked:
      return TCheckState::Unchecked;
    case Qt::PartiallyChecked:
      break;
  }
  return TCheckState::Grayed;
}

QString ToQString(const std::u16string& text) { return QString::fromUtf16(text.data(), qsizetype(text.size())); }

}  // namespace

bool LeavesControl(const QFocusEvent& event) {
  return event.reason() != Qt::ActiveWindowFocusReason && event.reason() != Qt::PopupFocusReason;
}

TDBCheckBox::TDBCheckBox(const QString& caption, TCachedRowSet& rowSet, std::string column, THandlerRunner run,
                         QWidget* parent)
    : QCheckBox(caption, parent), FRowSet(rowSet), FColumn(std::move(column)), FRun(std::move(run)) {
  setTristate(true);
  FRowSet.AddLink(*this);
  RecordChanged();
}

TDBCheckBox::~TDBCheckBox() { FRowSet.RemoveLink(*this); }

void TDBCheckBox::RecordChanged() {
  FModified = false;
  setEnabled(HasEditableRow(FRowSet));
  setCheckState(ToQt(CheckStateOfField(FRowSet, FColumn)));
}

void TDBCheckBox::UpdateRecord() {
  if (!FModified) return;
  StoreCheckState(FRowSet, FColumn, FromQt(checkState()));
  FModified = false;
}

void TDBCheckBox::nextCheckState() {
  const bool editing = FRun([this] { FRowSet.Edit(); });
  if (!editing || FRowSet.State() != TRowSetState::Editing) return;
  setCheckState(ToQt(NextCheckState(FromQt(checkState()))));
  FModified = true;
}

void TDBCheckBox::focusOutEvent(QFocusEvent* event) {
  QCheckBox::focusOutEvent(event);
  if (FModified && LeavesControl(*event)) FRun([this] { UpdateRecord(); });
}

TDBIntegerEdit::TDBIntegerEdit(TCachedRowSet& rowSet, std::string column, THandlerRunner run, QWidget* parent)
    : QLineEdit(parent), FRowSet(rowSet), FColumn(std::move(column)), FRun(std::move(run)) {
  connect(this, &QLineEdit::textEdited, this, [this] { OnTextEdited(); });
  FRowSet.AddLink(*this);
  RecordChanged();
}

TDBIntegerEdit::~TDBIntegerEdit() { FRowSet.RemoveLink(*this); }

void TDBIntegerEdit::RecordChanged() {
  FModified = false;
  setEnabled(HasEditableRow(FRowSet));
  setText(ToQString(IntegerFieldText(FRowSet, FColumn)));
}

void TDBIntegerEdit::UpdateRecord() {
  if (!FModified) return;
  StoreIntegerText(FRowSet, FColumn, text().toStdU16String());
  FModified = false;
}

void TDBIntegerEdit::OnTextEdited() {
  if (FModified) return;
  FModified = true;
  FRun([this] { FRowSet.Edit(); });
}

void TDBIntegerEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    // The column's current value (a value stored earlier stays stored).
    FModified = false;
    setText(ToQString(IntegerFieldText(FRowSet, FColumn)));
    selectAll();
    return;
  }
  const QString typed = event->text();
  const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (!command && typed.size() == 1 && typed[0].isPrint() && !IsIntegerEditCharacter(typed[0].unicode())) {
    QApplication::beep();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TDBIntegerEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (!FModified || !LeavesControl(*event)) return;
  // A value that cannot be stored keeps the focus here, as the operator
  // must mend it or press Escape.
  if (!FRun([this] { UpdateRecord(); }))
    QMetaObject::invokeMethod(this, [this] { setFocus(Qt::OtherFocusReason); }, Qt::QueuedConnection);
}

}  // namespace fieldsync
