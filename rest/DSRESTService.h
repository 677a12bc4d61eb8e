#pragma once
// One REST request's service: reads the request's query parameters (result
// filters, "json"), turns the path and body of a call, or a posted command
// list, into commands, runs them against the method server and leaves one
// execution entry per command in an execution sink (the response handler,
// which writes the answer from them).

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "json/JSONValue.h"
#include "rest/DSAuthentication.h"
#include "rest/DSHTTPView.h"
#include "rest/DSMessages.h"
#include "rest/DSRequestFilter.h"
#include "rest/DSServer.h"

namespace fieldsync {

// The outcome of one executed command: the called method with its parameter
// values and the in-process connection that holds the instance it ran on,
// or an error message. Freeing it frees the connection and so the instance.
struct TDSExecutionResponse {
  std::string ErrorMessage;  // set for an error entry
  bool IsError = false;
  const TDSMethodEntry* Method = nullptr;
  std::vector<TDSValue> Values;  // one per parameter entry
  std::unique_ptr<TDSServerConnection> Connection;
};

// Where the service leaves what it executed, one entry per command in
// command order: a command that ran, or the message of one that failed.
class TDSExecutionSink {
 public:
  virtual ~TDSExecutionSink() = default;
  virtual void AddCommand(std::unique_ptr<TDSExecutionResponse> entry) = 0;
  virtual void AddCommandError(const std::string& message) = 0;
};

// One call to make: the qualified method name ("Class.Method", with a verb
// prefix for REST calls other than GET) and its arguments, borrowed from
// the request (null: none).
struct TDSCommand {
  std::u16string QualifiedName;
  const TJSONArray* Arguments = nullptr;
};

class TDSRESTService {
 public:
  TDSRESTService(TDSServer& server, std::string userName, std::string password);
  ~TDSRESTService();

  // Takes one query parameter (other than the session id): "json" sets
  // StreamAsJSON; "filter.field" sets a result filter's field, creating the
  // filter on first use; a name without a dot sets that field on every filter
  // named so far that has it. Every other parameter (an empty name, a name no
  // filter has, an unknown filter kind or field) is accepted and ignored: the
  // call runs as if it were not there. False only when a filter refuses the
  // value (status 409); a malformed filter name and a "json" value that is
  // not a boolean raise.
  bool ProcessQueryParameter(const std::string& name, const std::string& value);
  // False when two filters apply to the result or share an output position.
  bool CheckConvertersForConsistency() const;
  bool StreamAsJSON() const { return FStreamAsJSON; }
  // The rights of the logged-in user that every command is checked against
  // (null: no login, every call is allowed).
  void SetRights(std::shared_ptr<const TDSUserRights> rights) { FRights = std::move(rights); }
  bool HasFilters() const { return !FFilters.empty(); }
  // The filter that applies to the output at `position` of the parameter
  // list, when exactly one does; nullptr otherwise.
  const TDBXRequestFilter* FilterFor(size_t position, bool isResult) const;

  // One REST call: the path after the REST context (class, method, path
  // arguments) and, for POST and PUT, the body's arguments.
  void ProcessGETRequest(std::string_view remainder, TDSExecutionSink& sink);
  void ProcessPOSTRequest(std::string_view remainder, const TDSHTTPParams& params, std::string body,
                          TDSExecutionSink& sink);
  void ProcessPUTRequest(std::string_view remainder, const std::string& body, TDSExecutionSink& sink);
  void ProcessDELETERequest(std::string_view remainder, TDSExecutionSink& sink);

  // Runs each command object of the list ({"execute":{"Class.Method":[args]}});
  // a failing command becomes an error entry and the next one still runs.
  // Every command is bound before the first runs: one that the user's
  // rights refuse raises EDSForbidden, and none of them runs.
  void ProcessRequest(const TJSONArray& commands, TDSExecutionSink& sink);

 private:
  void ProcessREST(std::string_view verb, std::string_view remainder, const std::string* body,
                   TDSExecutionSink& sink);
  // The commands, or for each one that cannot be read its error message;
  // runs them as ProcessRequest describes.
  struct TCommandOrError {
    TDSCommand Command;
    std::optional<std::string> Error;  // set: the command could not be read
  };
  void Run(const std::vector<TCommandOrError>& commands, TDSExecutionSink& sink);
  // Resolves the command's method and binds its arguments; raises
  // EDSForbidden when the user may not make the call.
  std::unique_ptr<TDSExecutionResponse> Prepare(const TDSCommand& command);
  // Runs a prepared command and hands its entry to the sink.
  void Execute(std::unique_ptr<TDSExecutionResponse> entry, TDSExecutionSink& sink);

  TDSServer& FServer;
  std::string FUserName;
  std::string FPassword;
  bool FStreamAsJSON = false;
  std::shared_ptr<const TDSUserRights> FRights;
  std::map<std::string, std::unique_ptr<TDBXRequestFilter>> FFilters;  // by lower-cased name
};

}  // namespace fieldsync
