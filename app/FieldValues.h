#pragma once
// How the options tab's controls show and store the columns of a row set:
// check boxes over "S"/"N" texts, edits over integer columns. The controls
// themselves only keep what is on screen; every conversion and every error
// text is here.

#include <string>

namespace fieldsync {

class TCachedRowSet;

enum class TCheckState { Unchecked, Checked, Grayed };

// Ticked for "S", unticked for "N" (either case); greyed for null, for any
// other text, and when the set holds no row or is closed.
TCheckState CheckStateOfField(const TCachedRowSet& rowSet, const std::string& column);

// The state a click moves a box to: a ticked box is unticked, any other ticked.
TCheckState NextCheckState(TCheckState state);

// Stores "S" for a ticked box, "N" for an unticked one, null for a greyed one.
void StoreCheckState(TCachedRowSet& rowSet, const std::string& column, TCheckState state);

// The column's integer as decimal text; empty for null, a closed set or no row.
std::u16string IntegerFieldText(const TCachedRowSet& rowSet, const std::string& column);

// Stores the text of an integer edit: empty text stores null. Raises
// "'%s' is not a valid integer value for field '%s'" for anything else that
// is not a whole number, and the field's range error for a number its
// column cannot hold.
void StoreIntegerText(TCachedRowSet& rowSet, const std::string& column, const std::u16string& text);

// Whether an integer edit takes the typed character: "0" to "9", "+", "-".
bool IsIntegerEditCharacter(char16_t c);

// Whether the set holds a row that the controls can change.
bool HasEditableRow(const TCachedRowSet& rowSet);

}  // namespace fieldsync
