#pragma once
// One REST request's service: turns the path and body of a call into a
// command list, runs it against the method server and leaves one execution
// entry per command in the response handler.

#include <map>
#include <memory>
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

class TDSServiceResponseHandler;

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

  void ProcessGETRequest(std::string_view remainder, TDSServiceResponseHandler& handler);
  void ProcessPOSTRequest(std::string_view remainder, const TDSHTTPParams& params, std::string body,
                          TDSServiceResponseHandler& handler);
  void ProcessPUTRequest(std::string_view remainder, const std::string& body, TDSServiceResponseHandler& handler);
  void ProcessDELETERequest(std::string_view remainder, TDSServiceResponseHandler& handler);

  // Runs each command object of the list ({"execute":{"Class.Method":[args]}});
  // a failing command becomes an error entry and the next one still runs.
  // Every command is bound before the first runs: one that the user's
  // rights refuse raises EDSForbidden, and none of them runs.
  void ProcessRequest(const TJSONArray& commands, TDSServiceResponseHandler& handler);

 private:
  void ProcessREST(std::string_view verb, std::string_view remainder, const std::string* body,
                   TDSServiceResponseHandler& handler);
  // Resolves the command's method and binds its arguments; raises
  // EDSForbidden when the user may not make the call.
  std::unique_ptr<TDSExecutionResponse> Prepare(const TJSONObject& command);
  // Runs a prepared command and hands its entry to the handler.
  void Execute(std::unique_ptr<TDSExecutionResponse> entry, TDSServiceResponseHandler& handler);

  TDSServer& FServer;
  std::string FUserName;
  std::string FPassword;
  bool FStreamAsJSON = false;
  std::shared_ptr<const TDSUserRights> FRights;
  std::map<std::string, std::unique_ptr<TDBXRequestFilter>> FFilters;  // by lower-cased name
};

}  // namespace fieldsync
