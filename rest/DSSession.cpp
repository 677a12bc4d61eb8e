#include "rest/DSSession.h"

#include <random>

#include "core/ThreadValue.h"

namespace fieldsync {

namespace {

int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr uint32_t SessionIdNumberLimit = 1000000;  // each of the three numbers is below it

std::atomic<bool> InstanceCreated{false};

// The session of the request the thread runs (core/ThreadValue.h says why
// this is no thread_local shared_ptr).
struct TThreadSessionTag;
using TThreadSession = TThreadValue<std::shared_ptr<TDSSession>, TThreadSessionTag>;

}  // namespace

TDSSession::TDSSession(std::string name, std::string userName, int64_t nowMs, int64_t cacheLimit)
    : FSessionName(std::move(name)),
      FUserName(std::move(userName)),
      FStartDateTime(std::chrono::system_clock::now()),
      FLastActivity(nowMs),
      FCache(cacheLimit) {}

bool TDSSession::IsValid() const {
  const auto status = FStatus.load();
  return status == TDSSessionStatus::Active || status == TDSSessionStatus::Idle ||
         status == TDSSessionStatus::Connected;
}

void TDSSession::MarkActivity(int64_t nowMs) {
  FStatus.store(TDSSessionStatus::Active);
  FLastActivity.store(nowMs);
}

int64_t TDSSession::ExpiresIn(int64_t nowMs) const {
  const int64_t left = FDuration - (nowMs - FLastActivity.load());
  return left < 0 ? 0 : left;
}

void TDSSession::PutData(const std::string& key, const std::string& value) {
  TMutexLock lock(FDataLock);
  FData[key] = value;
}

std::string TDSSession::GetData(const std::string& key) const {
  TMutexLock lock(FDataLock);
  auto it = FData.find(key);
  return it == FData.end() ? std::string() : it->second;
}

bool TDSSession::HasData(const std::string& key) const {
  TMutexLock lock(FDataLock);
  return FData.count(key) != 0;
}

TDSSessionManager& TDSSessionManager::Instance() {
  static TDSSessionManager instance(SteadyMs);
  InstanceCreated.store(true);
  return instance;
}

bool TDSSessionManager::HasInstance() { return InstanceCreated.load(); }

TDSSessionManager::TDSSessionManager(TClock clock)
    : FClock(std::move(clock)),
      // Seeded once, from the clock and the system's random source.
      FRandom(static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
              static_cast<uint64_t>(std::random_device{}())) {}

TDSSessionManager::~TDSSessionManager() = default;

std::string TDSSessionManager::NewSessionId() {
  std::uniform_int_distribution<uint32_t> number(0, SessionIdNumberLimit - 1);
  std::string id;
  do {
    id = std::to_string(number(FRandom)) + "." + std::to_string(number(FRandom)) + "." +
         std::to_string(number(FRandom));
  } while (FSessions.count(id) != 0);
  return id;
}

std::shared_ptr<TDSSession> TDSSessionManager::CreateSession(const std::string& userName) {
  std::shared_ptr<TDSSession> session;
  {
    TMutexLock lock(FLock);
    session = std::make_shared<TDSSession>(NewSessionId(), userName, FClock(), FSessionCacheLimit.load());
    FSessions.emplace(session->SessionName(), session);
  }
  return session;
}

std::shared_ptr<TDSSession> TDSSessionManager::GetSession(const std::string& id) {
  TMutexLock lock(FLock);
  auto it = FSessions.find(id);
  return it == FSessions.end() ? nullptr : it->second;
}

TDSSessionManager::TLoadResult TDSSessionManager::LoadSessionUpdate(const std::string& sessionId,
                                                                    const std::string& userName, int64_t timeoutMs,
                                                                    const TDSSessionOrigin& origin) {
  ClearThreadSession();
  TLoadResult result;
  std::shared_ptr<TDSSession> session;
  if (!sessionId.empty()) {
    session = GetSession(sessionId);
    if (!session || !session->IsValid()) return result;
    session->MarkActivity(FClock());
  } else {
    session = CreateSession(userName);
    if (!origin.RemoteIP.empty()) session->PutData("RemoteIP", origin.RemoteIP);
    session->PutData("RemoteAppName", origin.UserAgent);
    session->PutData("CommunicationProtocol", origin.ProtocolVersion);
    session->PutData("ProtocolSubType", "rest");
    if (timeoutMs > 0) {
      session->SetDuration(timeoutMs);
      ScheduleCheck(session->SessionName(), timeoutMs);
    }
    session->MarkActivity(FClock());
    Notify(*session, "create");
    result.IsNew = true;
  }
  SetAsThreadSession(session);
  result.Success = true;
  return result;
}

void TDSSessionManager::ScheduleCheck(const std::string& id, int64_t delayMs) {
  const auto eventId = FScheduler.Schedule(delayMs, [this, id] { CheckInactivity(id); });
  TMutexLock lock(FLock);
  auto it = FSessions.find(id);
  if (it != FSessions.end()) {
    CheckId(*it->second) = eventId;
  } else {
    FScheduler.Cancel(eventId);  // removed meanwhile
  }
}

void TDSSessionManager::CheckInactivity(const std::string& id) {
  auto session = GetSession(id);
  if (!session) return;
  const int64_t duration = session->Duration();
  if (duration > 0 && FClock() - session->LastActivity() > duration) {
    TerminateSession(id);
  } else {
    // A full duration later, not the remaining time.
    ScheduleCheck(id, duration);
  }
}

std::shared_ptr<TDSSession> TDSSessionManager::Remove(const std::string& id) {
  std::shared_ptr<TDSSession> session;
  TDSScheduler::TEventId check = 0;
  {
    TMutexLock lock(FLock);
    auto it = FSessions.find(id);
    if (it == FSessions.end()) return nullptr;
    session = it->second;
    check = CheckId(*session);
    FSessions.erase(it);
  }
  if (check != 0) FScheduler.Cancel(check);
  return session;
}

void TDSSessionManager::CloseSession(const std::string& id) {
  auto session = Remove(id);
  if (!session) return;
  Notify(*session, "close");
  session->SetStatus(TDSSessionStatus::Closed);
  if (const auto* current = TThreadSession::Find(); current && *current == session) TThreadSession::Reset();
}

void TDSSessionManager::TerminateSession(const std::string& id) {
  auto session = Remove(id);
  if (!session) return;
  session->SetStatus(TDSSessionStatus::Closed);
  Notify(*session, "terminate");
}

void TDSSessionManager::TerminateAllSessions() {
  std::vector<std::pair<std::shared_ptr<TDSSession>, TDSScheduler::TEventId>> all;
  {
    TMutexLock lock(FLock);
    for (auto& [id, session] : FSessions) all.emplace_back(session, CheckId(*session));
    FSessions.clear();
  }
  for (auto& [session, check] : all) {
    if (check != 0) FScheduler.Cancel(check);
    session->SetStatus(TDSSessionStatus::Closed);
    Notify(*session, "terminate");
  }
}

size_t TDSSessionManager::SessionCount() {
  TMutexLock lock(FLock);
  return FSessions.size();
}

void TDSSessionManager::AddListener(TListener listener) {
  TMutexLock lock(FLock);
  FListeners.push_back(std::move(listener));
}

void TDSSessionManager::Notify(const TDSSession& session, const char* event) {
  std::vector<TListener> listeners;
  {
    TMutexLock lock(FLock);
    listeners = FListeners;
  }
  for (auto& listener : listeners) listener(session, event);
}

std::shared_ptr<TDSSession> TDSSessionManager::GetThreadSession() {
  const auto* current = TThreadSession::Find();
  return current ? *current : nullptr;
}
void TDSSessionManager::SetAsThreadSession(std::shared_ptr<TDSSession> session) {
  if (!session) {
    TThreadSession::Reset();
    return;
  }
  TThreadSession::Get() = std::move(session);
}
void TDSSessionManager::ClearThreadSession() { TThreadSession::Reset(); }

}  // namespace fieldsync
