// The service module itself: creation of an instance with its connection and
// statement components, the read pattern shared by every Get method, and the
// two diagnostic methods. The business methods live in one file per area.
#include "service/ServerMethodsUnit1.h"

#include <algorithm>

#include "db/DBXError.h"
#include "db/SQLConnection.h"
#include "service/internal/ServerMethodsComponents.h"
#include "service/internal/SqlText.h"

namespace fieldsync {

TServerMethods1::TServerMethods1(const THostValues& host) : DMESTOQUE(std::make_unique<TSQLConnection>()) {
  // The connection opens while the module is being created; a failure leaves
  // the constructor and the caller reports it.
  DMESTOQUE->Open();
  DSServerModuleCreate(host);
}

TServerMethods1Components& TServerMethods1::Components() {
  if (!FComponents) FComponents = std::make_unique<TServerMethods1Components>(*DMESTOQUE);
  return *FComponents;
}

// The components unregister from the connection as they go, before the
// connection itself closes.
TServerMethods1::~TServerMethods1() {
  FComponents.reset();
  DMESTOQUE.reset();
}

void TServerMethods1::DSServerModuleCreate(const THostValues& host) {
  IDFilial = host.IDFilial.load(std::memory_order_relaxed);
  DiasEmAtraso = host.DiasEmAtraso.load(std::memory_order_relaxed);
}

std::unique_ptr<TDBXReader> TServerMethods1::OpenReader(std::u16string_view pattern, bool timeout120,
                                                        std::initializer_list<std::u16string_view> args) {
  DMESTOQUE->Open();
  // The command stays registered with the connection, which frees it when it
  // closes; the reader refers to it.
  TDBXCommand& command = DMESTOQUE->DBXConnection().CreateCommand();
  command.SetCommandType(TDBXCommandTypes::DbxSQL);
  if (timeout120) command.SetCommandTimeout(120);
  FLastReadSql = FillSql(pattern, args);
  command.SetText(FLastReadSql);
  if (!command.IsPrepared()) command.Prepare();
  std::unique_ptr<TDBXReader> reader = command.ExecuteQuery();
  if (!reader) throw TDBXError(TDBXErrorCodes::InvalidOperation, std::string(DBXMessages::CursorNotReturned));
  return reader;
}

std::u16string TServerMethods1::EchoString(const std::u16string& Value) {
  return Value;
}

// Reverses the 16-bit code units, so a surrogate pair comes out with its two
// units swapped.
std::u16string TServerMethods1::ReverseString(const std::u16string& Value) {
  return std::u16string(Value.rbegin(), Value.rend());
}

}  // namespace fieldsync
