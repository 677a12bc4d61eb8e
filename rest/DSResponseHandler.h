#pragma once
// Collects the execution entries of one REST request and writes the answer:
// the result envelope (or error envelope), the status code and the reason
// phrase.

#include <memory>
#include <mutex>
#include <vector>

#include "rest/DSHTTPView.h"
#include "rest/DSRESTService.h"

namespace fieldsync {

class TDSServiceResponseHandler {
 public:
  TDSServiceResponseHandler(TDSHTTPCommandType commandType, std::unique_ptr<TDSRESTService> service);
  virtual ~TDSServiceResponseHandler();

  void AddCommand(std::unique_ptr<TDSExecutionResponse> entry);
  void AddCommandError(const std::string& message);
  void ClearCommands();
  // Out, in-out and result values of successful entries plus one per error.
  int GetResultCount();
  int GetOKStatus() const;
  // Writes body, status and reason phrase into the response.
  void PopulateResponse(TDSHTTPResponse& response);

  TDSRESTService& Service() { return *FService; }

  bool ForceResultArray = false;
  bool AllowStream = false;

 protected:
  // Lets a handler supply a parameter's value itself (cached results);
  // answers whether it did.
  virtual bool HandleParameter(TDSExecutionResponse& entry, size_t index, std::unique_ptr<TJSONValue>& value);

 private:
  std::string EntryBytes(TDSExecutionResponse& entry, bool& containsErrors);

  TDSHTTPCommandType FCommandType;
  std::unique_ptr<TDSRESTService> FService;
  std::mutex FLock;
  std::vector<std::unique_ptr<TDSExecutionResponse>> FEntries;  // guarded by FLock
};

// The handler of ordinary REST calls.
class TDSDefaultResponseHandler : public TDSServiceResponseHandler {
 public:
  using TDSServiceResponseHandler::TDSServiceResponseHandler;
};

}  // namespace fieldsync
