#pragma once
// Every message text of the request record, in one place; keep them exact.
// "%s" is filled with FormatText.

namespace fieldsync {

// The size of the request record, from the environment.
inline constexpr const char* BadRecordsMessage = "%s must be a whole number from 0 to %s, not \"%s\"";

}  // namespace fieldsync
