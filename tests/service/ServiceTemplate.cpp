#include "ServiceTemplate.h"

#include <stdexcept>

#include "core/Platform.h"

namespace fieldsync::test {

namespace fs = std::filesystem;

namespace {

fs::path SourceDir() {
  const std::string source = EnvironmentVariable("FIELDSYNC_SOURCE");
  if (source.empty()) throw std::runtime_error("FIELDSYNC_SOURCE is not set");
  return source;
}

}  // namespace

std::string BuildServiceDatabase(const TScratchDatabase& scratch, const std::string& file) {
  const std::string database = scratch.Create(file, "WIN1252");
  scratch.WriteAsynchronously(database);
  scratch.RunScript(database, SourceDir() / "database" / "schema.sql");
  scratch.RunScript(database, SourceDir() / "tests" / "service" / "service_fixture.sql");
  return database;
}

fs::path ServiceTemplateFile() { return EnvironmentVariable("FIELDSYNC_SERVICE_TEMPLATE"); }

}  // namespace fieldsync::test
