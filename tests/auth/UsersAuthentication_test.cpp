#include "auth/UsersAuthentication.h"

#include <gtest/gtest.h>

#include "auth/PasswordHash.h"
#include "core/Error.h"
#include "tests/support/TempDir.h"

namespace fieldsync {
namespace {

// One hash per password for the whole program: each costs tens of
// milliseconds and tens of megabytes.
const std::string& HashOf(const std::string& password) {
  static std::map<std::string, std::string> hashes;
  auto& hash = hashes[password];
  if (hash.empty()) hash = HashPassword(password);
  return hash;
}

class UsersAuthenticationTest : public ::testing::Test {
 protected:
  void WriteUsers(const std::string& lines) { FFile = FDir.Write("users", lines); }
  std::string Line(const std::string& name, const std::string& password, const std::string& rest = "::") {
    return name + ":" + HashOf(password) + rest + "\n";
  }
  test::TTempDir FDir;
  std::filesystem::path FFile;
};

TEST_F(UsersAuthenticationTest, AcceptsOnlyTheRightPasswordAndHandsOverTheRights) {
  WriteUsers("# handhelds\n" + Line("ana", "a-secret", ":5:GetCliente,setpedido"));
  TUsersAuthentication auth(FFile);
  struct TCase {
    const char* User;
    const char* Password;
    TDSLoginVerdict Verdict;
  };
  const TCase cases[] = {{"ana", "a-secret", TDSLoginVerdict::Accepted},
                         {"ana", "a-secret", TDSLoginVerdict::Accepted},  // remembered
                         {"ana", "a-secreT", TDSLoginVerdict::Refused},
                         {"ana", "", TDSLoginVerdict::Refused},
                         {"Ana", "a-secret", TDSLoginVerdict::Refused},
                         {"bob", "a-secret", TDSLoginVerdict::Refused},
                         {"", "", TDSLoginVerdict::Refused}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.User) + ":" + c.Password);
    const TDSLogin login = auth.Login(c.User, c.Password, "10.0.0.1");
    EXPECT_EQ(login.Verdict, c.Verdict);
    EXPECT_EQ(login.Rights != nullptr, c.Verdict == TDSLoginVerdict::Accepted);
  }
  const TDSLogin login = auth.Login("ana", "a-secret", "10.0.0.1");
  ASSERT_TRUE(login.Rights);
  EXPECT_EQ(login.Rights->UserName, "ana");
  EXPECT_EQ(login.Rights->Representative, 5);
  EXPECT_EQ(login.Rights->Methods, (std::vector<std::u16string>{u"GETCLIENTE", u"SETPEDIDO"}));
  const auto refusals = auth.Refusals();
  EXPECT_EQ(refusals.NoCredentials, 1u);
  EXPECT_EQ(refusals.WrongCredentials, 4u);
  EXPECT_EQ(refusals.Throttled, 0u);
}

TEST_F(UsersAuthenticationTest, ABlockedAddressIsAnsweredWithoutACheckAndOthersGoOn) {
  WriteUsers(Line("ana", "a-secret"));
  TUsersAuthentication auth(FFile, {2, 60000, 60000, 100});
  EXPECT_EQ(auth.Login("ana", "x", "10.0.0.1").Verdict, TDSLoginVerdict::Refused);
  EXPECT_EQ(auth.Login("nobody", "x", "10.0.0.1").Verdict, TDSLoginVerdict::Refused);
  const TDSLogin blocked = auth.Login("ana", "a-secret", "10.0.0.1");
  EXPECT_EQ(blocked.Verdict, TDSLoginVerdict::Throttled);
  EXPECT_EQ(blocked.RetryAfterSeconds, 60);
  EXPECT_EQ(auth.Login("ana", "a-secret", "10.0.0.2").Verdict, TDSLoginVerdict::Accepted);
  EXPECT_EQ(auth.Refusals().Throttled, 1u);
}

TEST_F(UsersAuthenticationTest, FollowsTheFileAndKeepsTheLastGoodOne) {
  WriteUsers(Line("ana", "a-secret"));
  TUsersAuthentication auth(FFile);
  ASSERT_EQ(auth.Login("ana", "a-secret", "a").Verdict, TDSLoginVerdict::Accepted);
  // A new password for ana: the remembered pair no longer counts.
  WriteUsers(Line("ana", "b-secret") + Line("bob", "a-secret"));
  EXPECT_EQ(auth.Login("ana", "a-secret", "b").Verdict, TDSLoginVerdict::Refused);
  EXPECT_EQ(auth.Login("ana", "b-secret", "c").Verdict, TDSLoginVerdict::Accepted);
  EXPECT_EQ(auth.Login("bob", "a-secret", "c").Verdict, TDSLoginVerdict::Accepted);
  // A malformed edit and a removed file leave the users in force.
  WriteUsers("bob:plain::\n");
  EXPECT_EQ(auth.Login("bob", "a-secret", "d").Verdict, TDSLoginVerdict::Accepted);
  std::filesystem::remove(FFile);
  EXPECT_EQ(auth.Login("bob", "a-secret", "d").Verdict, TDSLoginVerdict::Accepted);
  // A good file again counts at once.
  WriteUsers(Line("ana", "b-secret"));
  EXPECT_EQ(auth.Login("bob", "a-secret", "e").Verdict, TDSLoginVerdict::Refused);
}

TEST_F(UsersAuthenticationTest, AMissingOrMalformedFileAtTheStartRaises) {
  EXPECT_THROW(TUsersAuthentication(FDir.Path() / "none"), Exception);
  WriteUsers("ana:secret::\n");
  EXPECT_THROW(TUsersAuthentication auth(FFile), Exception);
}

}  // namespace
}  // namespace fieldsync
