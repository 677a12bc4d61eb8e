#pragma once
// The service tests' database as built from scratch: the project's schema
// (database/schema.sql) and the rows of service_fixture.sql, with forced
// writes off. A test run builds it once (service_database_template, a CTest
// fixture) and every test process copies the file.

#include <filesystem>
#include <string>

#include "tests/support/ScratchDatabase.h"

namespace fieldsync::test {

// Builds the database `file` in the scratch directory and answers its
// Database value; raises std::runtime_error with the tool's message when a
// step fails.
std::string BuildServiceDatabase(const TScratchDatabase& scratch, const std::string& file);

// The template file that the CTest fixture left (FIELDSYNC_SERVICE_TEMPLATE),
// or an empty path when the tests run without it.
std::filesystem::path ServiceTemplateFile();

}  // namespace fieldsync::test
