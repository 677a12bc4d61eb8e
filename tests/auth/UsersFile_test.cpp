#include "auth/UsersFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/Error.h"
#include "tests/support/TempDir.h"

namespace fieldsync {
namespace {

const std::string Hash = "$argon2id$v=19$m=65536,t=2,p=1$c2FsdHNhbHQ$aGFzaGhhc2hoYXNoaGFzaA";

TEST(UsersFile, ReadsEachFormOfLine) {
  struct TCase {
    std::string Line;
    std::string Error;  // empty: the line is read
  };
  const TCase cases[] = {
      {"ana:" + Hash + "::", ""},
      {"ana:" + Hash + ":5:", ""},
      {"ana:" + Hash + ":2147483647:GetCliente,SetPedido", ""},
      {"ana:" + Hash + "::\r", ""},
      {"ana:" + Hash + ":2147483648:", "line 1: the representative must be empty or a whole number from 0 to 2147483647, not \"2147483648\""},
      {"ana:" + Hash + ":-1:", "line 1: the representative must be empty or a whole number"},
      {"ana:" + Hash + ":5", "line 1: expected NAME:HASH:REP:METHODS"},
      {"ana:" + Hash + ":5::", "line 1: expected NAME:HASH:REP:METHODS"},
      {":" + Hash + "::", "line 1: the user name must not be empty"},
      {"a na:" + Hash + "::", "line 1: the user name must not be empty"},
      {"ana:secret::", "line 1: the password hash is not an Argon2 hash"},
      {"ana:$2y$10$abc::", "line 1: the password hash is not an Argon2 hash"},
      {"ana:" + Hash + "::GetCliente,", "line 1: \"\" is not a method name"},
      {"ana:" + Hash + "::Get Cliente", "line 1: \"Get Cliente\" is not a method name"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Line);
    if (c.Error.empty()) {
      EXPECT_EQ(TUsersFile::Parse(c.Line, "users").Users().size(), 1u);
    } else {
      try {
        TUsersFile::Parse(c.Line, "users");
        ADD_FAILURE() << "read";
      } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind("users, " + c.Error, 0), 0u) << e.what();
      }
    }
  }
}

TEST(UsersFile, KeepsCommentsAndOrderWhenEdited) {
  TUsersFile file = TUsersFile::Parse("# branch 3\n\nana:" + Hash + ":5:\n# tools\nops:" + Hash + "::\n", "users");
  const auto users = file.Users();
  ASSERT_EQ(users.size(), 2u);
  EXPECT_EQ(users[0].Representative, 5);
  EXPECT_FALSE(users[1].Representative);
  TUserEntry bob{"bob", Hash, std::nullopt, {"EchoString"}};
  file.Put(bob);
  TUserEntry ana = users[0];
  ana.Methods = {"GetCliente"};
  file.Put(ana);
  EXPECT_TRUE(file.Remove("ops"));
  EXPECT_FALSE(file.Remove("ops"));
  EXPECT_EQ(file.Text(), "# branch 3\n\nana:" + Hash + ":5:GetCliente\n# tools\nbob:" + Hash + "::EchoString\n");
}

TEST(UsersFile, RefusesAUserNamedTwice) {
  try {
    TUsersFile::Parse("ana:" + Hash + "::\n#\nana:" + Hash + ":1:\n", "users");
    ADD_FAILURE() << "read";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "users, line 3: the user ana is already named on line 1");
  }
}

TEST(UsersFile, WritesInOneStepKeepingTheOldFilesMode) {
  test::TTempDir dir;
  const auto path = dir.Path() / "users";
  TUsersFile file = TUsersFile::Parse("ana:" + Hash + "::\n", "users");
  file.Write(path);
  EXPECT_EQ(std::filesystem::status(path).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  file.Put({"bob", Hash, 7, {}});
  file.Write(path);
  EXPECT_EQ(std::filesystem::status(path).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(TUsersFile::Read(path).Users().size(), 2u);
  EXPECT_EQ(test::EntriesBelow(dir.Path()), std::vector<std::string>{"users"});
}

TEST(UsersFile, AFailedWriteLeavesTheFile) {
  test::TTempDir dir;
  const auto path = dir.Path() / "missing" / "users";
  try {
    TUsersFile::Parse("", "users").Write(path);
    ADD_FAILURE() << "written";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot write \"" + path.string() + "\": ", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace fieldsync
