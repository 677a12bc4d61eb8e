#pragma once
// Collects the execution entries of one REST request (it is the sink the
// request's service writes into) and writes the answer: the result envelope
// (or error envelope), the status code and the reason phrase; outputs that
// a result filter of the request targets are written by that filter. A
// handler lives inside one request, on that request's thread, and is never
// shared, so nothing in it is locked.

#include <memory>
#include <vector>

#include "rest/DSHTTPView.h"
#include "rest/DSRESTService.h"

namespace fieldsync {

struct TAnswerPieces;

class TDSServiceResponseHandler : public TDSExecutionSink {
 public:
  // `service` holds the request's result filters; it must outlive the handler.
  TDSServiceResponseHandler(TDSHTTPCommandType commandType, const TDSRESTService& service);
  ~TDSServiceResponseHandler() override;

  void AddCommand(std::unique_ptr<TDSExecutionResponse> entry) override;
  void AddCommandError(const std::string& message) override;
  void ClearCommands();
  // Out, in-out and result values of successful entries plus one per error.
  int GetResultCount();
  int GetOKStatus() const;
  // Writes body, status and reason phrase into the response.
  void PopulateResponse(TDSHTTPResponse& response);

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
  const TDSRESTService& FService;
  std::vector<std::unique_ptr<TDSExecutionResponse>> FEntries;
};

// The handler of ordinary REST calls.
class TDSDefaultResponseHandler : public TDSServiceResponseHandler {
 public:
  using TDSServiceResponseHandler::TDSServiceResponseHandler;
};

}  // namespace fieldsync
