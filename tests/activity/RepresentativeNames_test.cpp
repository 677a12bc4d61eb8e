#include "activity/RepresentativeNames.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "tests/support/Expect.h"

namespace fieldsync {
namespace {

using test::WaitUntil;

// A source that answers the rows it holds, or fails while told to.
struct TFakeSource {
  TMutex Lock;
  std::vector<TRepresentative> Rows GUARDED_BY(Lock);
  bool Fail GUARDED_BY(Lock) = false;
  std::atomic<int> Reads{0};

  std::vector<TRepresentative> Read() {
    TMutexLock lock(Lock);
    ++Reads;
    if (Fail) throw std::runtime_error("unavailable database");
    return Rows;
  }
  void Put(std::vector<TRepresentative> rows, bool fail = false) {
    TMutexLock lock(Lock);
    Rows = std::move(rows);
    Fail = fail;
  }
};

std::string NameOf(const TRepresentativeNames& names, int32_t id) {
  const TRepresentativeList list = names.Current();
  const TRepresentative* row = list.Find(id);
  return row ? row->Name : "<none>";
}

TEST(RepresentativeNames, ReadsAtStartThenEveryIntervalAndKeepsTheRowsOfAFailedRead) {
  TFakeSource source;
  source.Put({{7, "Maria", false, true}, {3, "Jo\xC3\xA3o", false, true}});
  TRepresentativeNames names;
  EXPECT_EQ(names.Current().ReadUnixUs, 0) << "nothing read before the start";
  names.Start([&source] { return source.Read(); }, std::chrono::milliseconds(20));
  ASSERT_TRUE(WaitUntil([&] { return names.Current().ReadUnixUs != 0; }));
  EXPECT_EQ(NameOf(names, 3), "Jo\xC3\xA3o");
  EXPECT_EQ(NameOf(names, 7), "Maria");
  EXPECT_EQ(NameOf(names, 5), "<none>");

  source.Put({{3, "Jo\xC3\xA3o Carlos", false, true}});
  ASSERT_TRUE(WaitUntil([&] { return NameOf(names, 3) == "Jo\xC3\xA3o Carlos"; })) << "a changed name is read again";
  EXPECT_EQ(NameOf(names, 7), "<none>") << "a row gone is gone";

  source.Put({}, true);
  ASSERT_TRUE(WaitUntil([&] { return names.Current().Error == "unavailable database"; }));
  EXPECT_EQ(NameOf(names, 3), "Jo\xC3\xA3o Carlos") << "a failed read keeps what was read";

  source.Put({{3, "J. C.", false, true}});
  ASSERT_TRUE(WaitUntil([&] { return names.Current().Error.empty(); }));
  EXPECT_EQ(NameOf(names, 3), "J. C.");
}

TEST(RepresentativeNames, StopEndsTheWaitAtOnce) {
  TFakeSource source;
  TRepresentativeNames names;
  names.Start([&source] { return source.Read(); }, std::chrono::hours(1));
  ASSERT_TRUE(WaitUntil([&] { return source.Reads.load() == 1; }));
  // An hour's wait that ended early leaves a join that returns; a wait
  // that did not would hang the test here.
  names.Stop();
  EXPECT_EQ(source.Reads.load(), 1);
}

}  // namespace
}  // namespace fieldsync
