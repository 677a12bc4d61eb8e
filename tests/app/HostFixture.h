#pragma once
// What the host window's tests share: a fresh embedded scratch database
// holding the two option tables (branches 0, 1, 12 and 20, each with a port
// of its own), the definitions files that point DMESTOQUE at it, and the
// shared file and port helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "app/FormUnit1.h"
#include "tests/support/Loopback.h"
#include "tests/support/ScratchDatabase.h"

namespace fieldsync::testing {

using test::FreePort;
using test::Listening;
using test::ReadFile;
using test::WriteFile;

class HostFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A value of the options tables, read on a connection of its own.
  std::string Read(const std::string& sql);
  // A statement on a connection of its own (to prepare a row before the
  // window reads it, or to change it behind the window's back).
  void Exec(const std::string& sql);

  test::TScratchDatabase Scratch;
  std::filesystem::path Dir;  // the program's directory (Scratch's): fil.txt, the database
  std::string Database;
  uint16_t Port0 = 0, Port1 = 0, Port12 = 0;
  std::unique_ptr<TForm1> Form;
};

}  // namespace fieldsync::testing
