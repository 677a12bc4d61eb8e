#pragma once
// Collects the execution entries of one REST request and writes the answer:
// the result envelope (or error envelope), the status code and the reason
// phrase. A handler lives inside one request, on that request's thread, and
// is never shared, so nothing in it is locked.

#include <memory>
#include <vector>

#include "rest/DSHTTPView.h"
#include "rest/DSRESTService.h"

namespace fieldsync {

struct TAnswerPieces;

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
  // Lets a handler supply the value of output `index` of the entry of
  // command `commandIndex` itself (cached results); answers whether it did.
  virtual bool HandleParameter(TDSExecutionResponse& entry, size_t commandIndex, size_t index,
                               std::unique_ptr<TJSONValue>& value);
  // Appends pairs that follow "result" in the entry's object (each preceded
  // by its comma).
  virtual void AppendEntryPairs(size_t commandIndex, std::string& out);
  // The "Content-Type" of the answers this handler writes; empty leaves the
  // listener's default.
  virtual std::string ContentType() const { return {}; }

 private:
  void WriteEntry(TDSExecutionResponse& entry, size_t commandIndex, bool& containsErrors, TAnswerPieces& out);

  TDSHTTPCommandType FCommandType;
  std::unique_ptr<TDSRESTService> FService;
  std::vector<std::unique_ptr<TDSExecutionResponse>> FEntries;
};

// The handler of ordinary REST calls.
class TDSDefaultResponseHandler : public TDSServiceResponseHandler {
 public:
  using TDSServiceResponseHandler::TDSServiceResponseHandler;
};

}  // namespace fieldsync
