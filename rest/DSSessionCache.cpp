#include "rest/DSSessionCache.h"

#include <algorithm>
#include <atomic>

#include "core/Error.h"
#include "core/Text.h"
#include "rest/DSMessages.h"

namespace fieldsync {

namespace {

// Bytes held by the caches of all sessions.
std::atomic<int64_t> TotalBytes{0};

}  // namespace

const std::string TDSSessionCache::CacheFullMessage =
    "The result cannot be cached: a session keeps at most " + std::to_string(MaxSessionBytes) +
    " bytes of cached results and the service at most " + std::to_string(MaxTotalBytes) +
    " bytes in all; delete cached items first";

TDSSessionCache::~TDSSessionCache() { TotalBytes.fetch_sub(FBytes); }

int64_t TDSSessionCache::Room() const {
  TMutexLock lock(FLock);
  return std::max<int64_t>(0, std::min(FMaxBytes - FBytes, MaxTotalBytes - TotalBytes.load()));
}

int64_t TDSSessionCache::ByteSize() const {
  TMutexLock lock(FLock);
  return FBytes;
}

int64_t TDSSessionCache::TotalByteSize() { return TotalBytes.load(); }

int TDSSessionCache::AddItem() {
  TMutexLock lock(FLock);
  const int id = FNextId++;
  FItems.emplace(id, TItem());
  return id;
}

int TDSSessionCache::AddParameter(int id, int command, std::shared_ptr<const TDSCachedParameter> parameter) {
  const int64_t bytes = parameter->Table ? parameter->Table->ByteSize() : 0;
  TMutexLock lock(FLock);
  auto it = FItems.find(id);
  if (it == FItems.end()) throw Exception(FormatText(NoItemMessage, {std::to_string(id)}));
  if (FBytes + bytes > FMaxBytes) throw Exception(CacheFullMessage);
  // Reserve in the total first, so that two sessions cannot both take the last room.
  if (TotalBytes.fetch_add(bytes) + bytes > MaxTotalBytes) {
    TotalBytes.fetch_sub(bytes);
    throw Exception(CacheFullMessage);
  }
  FBytes += bytes;
  TItem& item = it->second;
  item.Bytes += bytes;
  if (item.Commands.size() <= static_cast<size_t>(command)) item.Commands.resize(static_cast<size_t>(command) + 1);
  auto& parameters = item.Commands[static_cast<size_t>(command)];
  parameters.push_back(std::move(parameter));
  return static_cast<int>(parameters.size()) - 1;
}

std::shared_ptr<const TDSCachedParameter> TDSSessionCache::Parameter(int id, int command, int index) const {
  TMutexLock lock(FLock);
  auto it = FItems.find(id);
  if (it == FItems.end() || command < 0 || index < 0) return nullptr;
  const auto& commands = it->second.Commands;
  if (static_cast<size_t>(command) >= commands.size()) return nullptr;
  const auto& parameters = commands[static_cast<size_t>(command)];
  if (static_cast<size_t>(index) >= parameters.size()) return nullptr;
  return parameters[static_cast<size_t>(index)];
}

bool TDSSessionCache::HasItem(int id) const {
  TMutexLock lock(FLock);
  return FItems.count(id) != 0;
}

// A cached output is described by its parameter's name, its data-type code
// and, for a table, its row count and the bytes it holds.
std::unique_ptr<TJSONObject> TDSSessionCache::Describe(
    const std::vector<std::shared_ptr<const TDSCachedParameter>>& command) {
  auto list = std::make_unique<TJSONArray>();
  for (const auto& parameter : command) {
    auto entry = std::make_unique<TJSONObject>();
    entry->AddPair(u"name", Latin1ToUtf16(parameter->Name));
    entry->AddPair(u"type", std::make_unique<TJSONNumber>(static_cast<double>(parameter->DataType)));
    if (parameter->Table) {
      entry->AddPair(u"rows", std::make_unique<TJSONNumber>(static_cast<double>(parameter->Table->RowCount())));
      entry->AddPair(u"bytes", std::make_unique<TJSONNumber>(static_cast<double>(parameter->Table->ByteSize())));
    }
    list->AddElement(std::move(entry));
  }
  auto object = std::make_unique<TJSONObject>();
  object->AddPair(u"parameters", std::move(list));
  return object;
}

std::unique_ptr<TJSONObject> TDSSessionCache::DescribeItem(const TItem& item) const {
  auto commands = std::make_unique<TJSONArray>();
  for (const auto& command : item.Commands) commands->AddElement(Describe(command));
  auto object = std::make_unique<TJSONObject>();
  object->AddPair(u"commands", std::move(commands));
  return object;
}

std::unique_ptr<TJSONObject> TDSSessionCache::Listing() const {
  TMutexLock lock(FLock);
  auto listing = std::make_unique<TJSONObject>();
  for (const auto& [id, item] : FItems) listing->AddPair(Latin1ToUtf16(std::to_string(id)), DescribeItem(item));
  return listing;
}

std::unique_ptr<TJSONObject> TDSSessionCache::ItemDescription(int id) const {
  TMutexLock lock(FLock);
  auto it = FItems.find(id);
  return it == FItems.end() ? nullptr : DescribeItem(it->second);
}

std::unique_ptr<TJSONObject> TDSSessionCache::CommandDescription(int id, int command) const {
  TMutexLock lock(FLock);
  auto it = FItems.find(id);
  if (it == FItems.end() || command < 0 || static_cast<size_t>(command) >= it->second.Commands.size())
    return nullptr;
  return Describe(it->second.Commands[static_cast<size_t>(command)]);
}

void TDSSessionCache::Release(int64_t bytes) {
  FBytes -= bytes;
  TotalBytes.fetch_sub(bytes);
}

void TDSSessionCache::Remove(int id) {
  TMutexLock lock(FLock);
  auto it = FItems.find(id);
  if (it == FItems.end()) return;
  Release(it->second.Bytes);
  FItems.erase(it);
}

void TDSSessionCache::Clear() {
  TMutexLock lock(FLock);
  Release(FBytes);
  FItems.clear();
}

}  // namespace fieldsync
