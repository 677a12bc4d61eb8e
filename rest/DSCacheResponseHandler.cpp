#include "rest/internal/DSCacheResponseHandler.h"

#include "core/Text.h"
#include "db/DBXReader.h"
#include "db/DBXTypes.h"
#include "rest/DSSession.h"

namespace fieldsync {

bool TDSCacheResponseHandler::HandleParameter(TDSExecutionResponse& entry, size_t commandIndex, size_t index,
                                              std::unique_ptr<TJSONValue>& value) {
  const TDSParameter& parameter = entry.Method->Parameters[index];
  // Readers are the only values of the kinds kept (reader, object, stream,
  // JSON value) that the method layer produces.
  if (parameter.DataType != TDBXDataTypes::TableType) return false;
  auto session = TDSSessionManager::GetThreadSession();
  if (!session) return false;
  auto reader = entry.Values[index].TakeReader();
  if (!reader) return false;  // written as null

  TDSSessionCache& cache = session->Cache();
  auto cached = std::make_shared<TDSCachedParameter>();
  cached->Name = parameter.Name;
  cached->Position = index;
  cached->IsResult = parameter.Direction == TDSParamDirection::Return;
  cached->DataType = parameter.DataType;
  cached->Table = TDSCachedTable::Read(std::move(reader), cache.Room(), TDSSessionCache::CacheFullMessage);
  const bool newItem = CacheId < 0;
  if (newItem) CacheId = cache.AddItem();
  int parameterIndex = 0;
  try {
    parameterIndex = cache.AddParameter(CacheId, static_cast<int>(commandIndex), std::move(cached));
  } catch (...) {
    // Another request took the room meanwhile: leave no empty item behind.
    if (newItem) {
      cache.Remove(CacheId);
      CacheId = -1;
    }
    throw;
  }
  FCachedCommands.insert(commandIndex);
  value = std::make_unique<TJSONString>(Latin1ToUtf16(std::to_string(CacheId) + "/" + std::to_string(commandIndex) +
                                                      "/" + std::to_string(parameterIndex)));
  return true;
}

void TDSCacheResponseHandler::AppendEntryPairs(size_t commandIndex, std::string& out) {
  if (FCachedCommands.count(commandIndex) == 0) return;
  out += ",\"cacheId\":" + std::to_string(CacheId) + ",\"cmdIndex\":" + std::to_string(commandIndex);
}

}  // namespace fieldsync
