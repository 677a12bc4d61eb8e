#pragma once
// The database the service tests run against: an embedded Firebird
// database in a scratch directory (TScratchDatabase), copied from the
// database of the project's schema and service_fixture.sql that the test run
// built once (ServiceTemplate.h), with connection definitions files that
// point DMESTOQUE at it. Every test suite gets a fresh copy, so the writes of
// one suite never reach another. Helpers read results by value.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/DBXReader.h"
#include "service/HostValues.h"
#include "service/ServerMethodsUnit1.h"
#include "service/internal/SqlText.h"
#include "tests/support/ScratchDatabase.h"

namespace fieldsync::test {

using TCell = std::optional<std::string>;  // std::nullopt for NULL
using TRow = std::vector<TCell>;
inline const TCell Null = std::nullopt;

// A result read to the end: column names as reported and every value as
// UTF-8 text.
struct TTable {
  std::vector<std::string> Columns;
  std::vector<TRow> Rows;
};

// Reads a reader to its end and closes it.
TTable ReadTable(std::unique_ptr<TDBXReader> reader);

// Sorts the rows, for results whose order the query leaves open.
std::vector<TRow> Sorted(std::vector<TRow> rows);

// The test database of the running test suite; copied on the suite's first
// use, removed when the process ends.
class TServiceDatabase {
 public:
  static TServiceDatabase& Instance();

  // A service instance as a REST request would create it, for branch
  // `idFilial` and the overdue threshold `diasEmAtraso`.
  std::unique_ptr<TServerMethods1> Service(int32_t idFilial = 1, int32_t diasEmAtraso = 0);

  // Runs `sql` on a connection of its own (committed) and returns its rows.
  TTable Query(const std::string& sql);
  // Runs a statement without result on a connection of its own.
  void Execute(const std::string& sql);

  const TScratchDatabase& Scratch() const { return FScratch; }

 private:
  // Gives the process's embedded engine a lock directory of its own
  // (FIREBIRD_LOCK, read at its first attachment): the databases are the
  // process's own, so it shares no lock files with other test processes.
  TServiceDatabase();
  // The file each suite's database is copied from.
  std::filesystem::path TemplateFile();
  void CreateDatabase(const std::string& name);

  TScratchDatabase FScratch;
  std::string FSuite;
  std::filesystem::path FTemplate;
};

inline TServiceDatabase& Db() { return TServiceDatabase::Instance(); }

// The day ("2013-05-07") before and after an action that dates rows with
// the database's CURRENT_DATE: the same day, unless midnight passed meanwhile.
struct TDaysAround {
  std::string Before;
  std::string After;
};

template <class F>
TDaysAround DaysAround(F&& action) {
  TDaysAround days{DateText(Today()), {}};
  action();
  days.After = DateText(Today());
  return days;
}

// Expects `actual` to be `expectedOn(day)` for one of the two days.
template <class T, class F>
void ExpectOnEitherDay(const T& actual, const TDaysAround& days, F&& expectedOn) {
  if (days.After != days.Before && actual == expectedOn(days.After)) return;
  EXPECT_EQ(actual, expectedOn(days.Before));
}

// One read method call and the table it must give, rows in any order.
struct TReadCase {
  const char* Name;
  std::function<std::unique_ptr<TDBXReader>(TServerMethods1&)> Call;
  std::vector<std::string> Columns;
  std::vector<TRow> Rows;
};

// Runs each case on a fresh instance for branch `idFilial` and compares the
// result by value.
void RunReadCases(const std::vector<TReadCase>& cases, int32_t idFilial = 1, int32_t diasEmAtraso = 0);

}  // namespace fieldsync::test
