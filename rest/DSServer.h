#pragma once
// The method server: registered server classes, the table of their callable
// methods, resolution of qualified method names and the instances that calls
// run on.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "activity/SyncKinds.h"
#include "core/Mutex.h"
#include "rest/DSValue.h"

namespace fieldsync {

enum class TDSParamDirection { In = 1, Out = 2, InOut = 3, Return = 4 };

struct TDSParameter {
  std::string Name;
  TDSParamDirection Direction;
  int DataType;  // a TDBXDataTypes code
};

// An instance of a server class, whatever its type.
class TDSServerInstance {
 public:
  virtual ~TDSServerInstance() = default;
};

template <class T>
class TDSInstanceOf : public TDSServerInstance {
 public:
  explicit TDSInstanceOf(std::unique_ptr<T> object) : Object(std::move(object)) {}
  std::unique_ptr<T> Object;
};

// Calls the method on the instance with one value per parameter entry (the
// result entry included); in and in-out values are set, the method leaves
// its out values and result in place. Exceptions pass out unchanged.
using TDSInvoker = std::function<void(TDSServerInstance& instance, std::vector<TDSValue>& values)>;

class TDSServerClass;

struct TDSMethodEntry {
  std::u16string ClassName;
  std::u16string MethodName;
  // Declared parameters in order, then "ReturnParameter" when the method has
  // a result.
  std::vector<TDSParameter> Parameters;
  TDSInvoker Invoke;
  TDSServerClass* Class = nullptr;
  // The kind of download a successful call counts as on the sync-activity
  // page; none for a method that is no such download.
  std::optional<TDownloadKind> Download;
};

// A read method: it takes only in parameters and answers a table. Every
// other method may write.
bool IsReadMethod(const TDSMethodEntry& method);

// A registered server class: its name, life cycle and instance factory.
class TDSServerClass {
 public:
  using TGetClass = std::function<std::unique_ptr<TDSServerInstance>()>;

  TDSServerClass(std::u16string className, std::string lifeCycle, TGetClass onGetClass);

  const std::u16string& ClassName() const { return FClassName; }
  const std::string& LifeCycle() const { return FLifeCycle; }
  // A new instance; raises when the factory supplies none.
  std::unique_ptr<TDSServerInstance> CreateInstance() const;

  // What, besides a call's method and arguments, decides its answer now
  // (for the service: the branch, the overdue threshold, the database
  // settings), as text: identical read calls share one fetch only when it is
  // the same. Empty when no context was set. Set before serving.
  using TCallContext = std::function<std::string()>;
  void SetCallContext(TCallContext context) { FCallContext = std::move(context); }
  std::string CallContext() const { return FCallContext ? FCallContext() : std::string(); }

 private:
  std::u16string FClassName;
  std::string FLifeCycle;
  TGetClass FOnGetClass;
  TCallContext FCallContext;
};

// The method server. Classes and methods are registered before the server
// serves requests and only read afterwards, so look-ups need no lock; the
// instance of a "Server" life cycle class is created once under FLock.
class TDSServer {
 public:
  TDSServer();
  ~TDSServer();
  TDSServer(const TDSServer&) = delete;
  TDSServer& operator=(const TDSServer&) = delete;

  TDSServerClass& AddClass(std::u16string className, std::string lifeCycle, TDSServerClass::TGetClass onGetClass);
  // Enters one method of a registered class into the method table.
  void AddMethod(TDSServerClass& serverClass, std::u16string methodName, std::vector<TDSParameter> parameters,
                 TDSInvoker invoke, std::optional<TDownloadKind> download = std::nullopt);

  void Start() { FStarted = true; }
  void Stop() { FStarted = false; }
  bool Started() const { return FStarted; }

  // Finds the method of a qualified name "Class.Method" (letter case
  // ignored, identifier quotes dropped); raises "%s method not found in the
  // server method list".
  const TDSMethodEntry& Resolve(const std::u16string& qualifiedName) const;

  // The registered classes, in registration order.
  std::vector<const TDSServerClass*> Classes() const;
  // The methods of a class, in registration order (its declaration order).
  std::vector<const TDSMethodEntry*> MethodsOf(const TDSServerClass& serverClass) const;

  // The shared instance of a class whose life cycle is empty or "Server".
  TDSServerInstance& ServerInstance(const TDSServerClass& serverClass);

 private:
  std::vector<std::unique_ptr<TDSServerClass>> FClasses;
  std::map<std::u16string, TDSMethodEntry> FMethods;  // key: upper-cased qualified name
  std::vector<std::u16string> FMethodOrder;           // keys of FMethods, as registered
  TMutex FLock;
  std::map<const TDSServerClass*, std::unique_ptr<TDSServerInstance>> FServerInstances GUARDED_BY(FLock);
  bool FStarted = false;
};

// An in-process connection to the method server: the instances of "Session"
// life cycle classes live as long as it does.
class TDSServerConnection {
 public:
  explicit TDSServerConnection(TDSServer& server) : FServer(server) {}
  TDSServerConnection(const TDSServerConnection&) = delete;
  TDSServerConnection& operator=(const TDSServerConnection&) = delete;

  TDSServer& Server() { return FServer; }

  // Runs the method with `values` (one per parameter entry): takes the
  // instance its class's life cycle asks for, sets out parameters to null
  // and calls it.
  void Invoke(const TDSMethodEntry& method, std::vector<TDSValue>& values);

 private:
  TDSServer& FServer;
  std::map<std::u16string, std::unique_ptr<TDSServerInstance>> FInstances;  // by class name
};

}  // namespace fieldsync
