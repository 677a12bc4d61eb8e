#include "rest/DSServer.h"

#include "core/Error.h"
#include "core/Text.h"
#include "db/DBXTypes.h"
#include "rest/DSMessages.h"
#include "rest/internal/DSRESTGrammar.h"

namespace fieldsync {

namespace {

bool IsServerLifeCycle(const std::string& lifeCycle) { return lifeCycle.empty() || lifeCycle == "Server"; }

void CheckLifeCycle(const std::string& lifeCycle) {
  if (IsServerLifeCycle(lifeCycle) || lifeCycle == "Session" || lifeCycle == "Invocation") return;
  throw Exception(UnknownLifeCycleMessage + lifeCycle);
}

}  // namespace

TDSServerClass::TDSServerClass(std::u16string className, std::string lifeCycle, TGetClass onGetClass)
    : FClassName(std::move(className)), FLifeCycle(std::move(lifeCycle)), FOnGetClass(std::move(onGetClass)) {}

std::unique_ptr<TDSServerInstance> TDSServerClass::CreateInstance() const {
  if (!FOnGetClass) throw Exception(NoClassMessage);
  auto instance = FOnGetClass();
  if (!instance) throw Exception(NoClassMessage);
  return instance;
}

TDSServer::TDSServer() = default;
TDSServer::~TDSServer() = default;

TDSServerClass& TDSServer::AddClass(std::u16string className, std::string lifeCycle,
                                    TDSServerClass::TGetClass onGetClass) {
  FClasses.push_back(std::make_unique<TDSServerClass>(std::move(className), std::move(lifeCycle), std::move(onGetClass)));
  return *FClasses.back();
}

void TDSServer::AddMethod(TDSServerClass& serverClass, std::u16string methodName, std::vector<TDSParameter> parameters,
                          TDSInvoker invoke, std::optional<TDownloadKind> download) {
  TDSMethodEntry entry;
  entry.ClassName = serverClass.ClassName();
  entry.MethodName = std::move(methodName);
  entry.Parameters = std::move(parameters);
  entry.Invoke = std::move(invoke);
  entry.Class = &serverClass;
  entry.Download = download;
  const std::u16string key = AsciiUpper(entry.ClassName + u"." + entry.MethodName);
  if (FMethods.find(key) == FMethods.end()) FMethodOrder.push_back(key);
  FMethods[key] = std::move(entry);
}

std::vector<const TDSServerClass*> TDSServer::Classes() const {
  std::vector<const TDSServerClass*> classes;
  for (const auto& serverClass : FClasses) classes.push_back(serverClass.get());
  return classes;
}

std::vector<const TDSMethodEntry*> TDSServer::MethodsOf(const TDSServerClass& serverClass) const {
  std::vector<const TDSMethodEntry*> methods;
  for (const auto& key : FMethodOrder) {
    const TDSMethodEntry& entry = FMethods.at(key);
    if (entry.Class == &serverClass) methods.push_back(&entry);
  }
  return methods;
}

const TDSMethodEntry& TDSServer::Resolve(const std::u16string& qualifiedName) const {
  auto it = FMethods.find(AsciiUpper(qualifiedName));
  if (it != FMethods.end()) return it->second;
  const std::u16string scanned = ScanQualifiedName(qualifiedName);
  it = FMethods.find(AsciiUpper(scanned));
  if (it != FMethods.end()) return it->second;
  throw Exception(FormatText(MethodNotFoundMessage, {Utf16ToUtf8(scanned)}));
}

TDSServerInstance& TDSServer::ServerInstance(const TDSServerClass& serverClass) {
  TMutexLock lock(FLock);
  auto& slot = FServerInstances[&serverClass];
  if (!slot) slot = serverClass.CreateInstance();
  return *slot;
}

void TDSServerConnection::Invoke(const TDSMethodEntry& method, std::vector<TDSValue>& values) {
  const TDSServerClass& serverClass = *method.Class;
  CheckLifeCycle(serverClass.LifeCycle());
  for (size_t i = 0; i < method.Parameters.size() && i < values.size(); ++i) {
    if (method.Parameters[i].Direction == TDSParamDirection::Out) values[i] = TDSValue::Null();
  }
  if (IsServerLifeCycle(serverClass.LifeCycle())) {
    method.Invoke(FServer.ServerInstance(serverClass), values);
  } else if (serverClass.LifeCycle() == "Session") {
    auto& slot = FInstances[serverClass.ClassName()];
    if (!slot) slot = serverClass.CreateInstance();
    method.Invoke(*slot, values);
  } else {
    auto instance = serverClass.CreateInstance();
    method.Invoke(*instance, values);
  }
}

bool IsReadMethod(const TDSMethodEntry& method) {
  if (method.Parameters.empty()) return false;
  for (const TDSParameter& parameter : method.Parameters) {
    if (parameter.Direction == TDSParamDirection::Return) return parameter.DataType == TDBXDataTypes::TableType;
    if (parameter.Direction != TDSParamDirection::In) return false;
  }
  return false;  // no result
}

}  // namespace fieldsync
