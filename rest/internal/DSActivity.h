#pragma once
// What the REST layer adds to the record of the request it serves: the
// session, the arguments' count and size, the server method, whom the call
// is for and the call's outcome (a write's true or false with its `Erro`
// text, or the error answer's message). Each function writes into the
// calling thread's current request record and does nothing when the request
// is not recorded.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "json/JSONValue.h"
#include "rest/DSServer.h"

namespace fieldsync {

void NoteSession(const std::string& sessionId);
// The user whose credentials were accepted.
void NoteUser(const std::string& userName);
// The method as the path names it, before it is looked up.
void NoteMethodAsked(std::u16string_view methodName);
// The arguments from the path and the body: how many, and their bytes.
void NoteArguments(size_t count, size_t bytes);
// The published method the call resolved to.
void NoteMethodResolved(const TDSMethodEntry& method);
// The representative the call's arguments name (`IDRepresentante`, or the
// text of `Representante`) and the arguments that identify its upload, as
// sent (before conversion, so that a call refused for a bad argument keeps
// them too).
void NoteRepresentative(const TDSMethodEntry& method, const TJSONArray* arguments);
// The values the method left: its Boolean result and its `Erro` text.
void NoteOutcome(const TDSMethodEntry& method, const std::vector<TDSValue>& values);
// The message of an error answer.
void NoteError(const std::string& message);

}  // namespace fieldsync
