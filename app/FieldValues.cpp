#include "app/FieldValues.h"

#include "app/AppMessages.h"
#include "app/CachedRowSet.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/Text.h"

namespace fieldsync {

bool HasEditableRow(const TCachedRowSet& rowSet) {
  return rowSet.State() != TRowSetState::Closed && !rowSet.IsEmpty();
}

TCheckState CheckStateOfField(const TCachedRowSet& rowSet, const std::string& column) {
  if (!HasEditableRow(rowSet) || rowSet.FieldIsNull(column)) return TCheckState::Grayed;
  const std::u16string text = AsciiUpper(rowSet.FieldAsString(column));
  if (text == u"S") return TCheckState::Checked;
  if (text == u"N") return TCheckState::Unchecked;
  return TCheckState::Grayed;
}

TCheckState NextCheckState(TCheckState state) {
  return state == TCheckState::Checked ? TCheckState::Unchecked : TCheckState::Checked;
}

void StoreCheckState(TCachedRowSet& rowSet, const std::string& column, TCheckState state) {
  switch (state) {
    case TCheckState::Checked:
      rowSet.SetFieldString(column, u"S");
      break;
    case TCheckState::Unchecked:
      rowSet.SetFieldString(column, u"N");
      break;
    case TCheckState::Grayed:
      rowSet.SetFieldNull(column);
      break;
  }
}

std::u16string IntegerFieldText(const TCachedRowSet& rowSet, const std::string& column) {
  if (!HasEditableRow(rowSet) || rowSet.FieldIsNull(column)) return {};
  return Latin1ToUtf16(std::to_string(rowSet.FieldAsInteger(column)));
}

void StoreIntegerText(TCachedRowSet& rowSet, const std::string& column, const std::u16string& text) {
  if (text.empty()) {
    rowSet.SetFieldNull(column);
    return;
  }
  const auto value = TextToInt32(SkipLeadingBlanks(text));
  if (!value) throw Exception(FormatText(InvalidFieldIntegerMessage, {Utf16ToUtf8(text), column}));
  rowSet.SetFieldInteger(column, *value);
}

bool IsIntegerEditCharacter(char16_t c) { return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-'; }

}  // namespace fieldsync
