#include "download/engine/PartTable.h"

#include <gtest/gtest.h>

namespace {

using download::Part;
using download::PartTable;

std::vector<std::pair<std::int64_t, std::int64_t>> Bounds(const PartTable& t) {
  std::vector<std::pair<std::int64_t, std::int64_t>> out;
  for (int i = 0; i < t.PartCount(); ++i) out.emplace_back(t.Get(i).begin, t.Get(i).end);
  return out;
}

TEST(PartTable, CutsEqualPartsWithTheRemainderLast) {
  struct Case {
    std::int64_t length;
    int count;
    std::vector<std::pair<std::int64_t, std::int64_t>> parts;
  };
  const Case cases[] = {
      {20479, 10, {{0, 20479}}},
      {0, 4, {{0, 0}}},
      {30000, 1, {{0, 30000}}},
      {20480, 2, {{0, 10240}, {10240, 20480}}},
      {20483, 3, {{0, 6827}, {6827, 13654}, {13654, 20483}}},
      {30000, 0, {{0, 30000}}},
  };
  for (const Case& c : cases) {
    PartTable t;
    t.Plan(c.length, c.count);
    EXPECT_EQ(Bounds(t), c.parts) << c.length << "/" << c.count;
    EXPECT_EQ(t.Get(0).owner, 0);
  }
}

TEST(PartTable, HandsOutEachPartOnceAndTakesBackUnfinishedOnes) {
  PartTable t;
  t.Plan(40960, 2);
  EXPECT_EQ(t.Claim(1), 1);
  EXPECT_EQ(t.Claim(2), std::nullopt) << "both parts are taken";
  auto s = t.Reserve(1, 1, 5000);
  ASSERT_EQ(s.room, PartTable::Room::kWrite);
  EXPECT_EQ(s.offset, 20480);
  t.Commit(1, 1, 5000);
  EXPECT_EQ(t.BytesDone(), 5000);
  EXPECT_EQ(t.Reserve(1, 2, 10).room, PartTable::Room::kLost) << "not connection 2's part";

  t.Release(1, 1);  // broke off: the rest is there to take over
  EXPECT_EQ(t.Claim(2), 1);
  EXPECT_EQ(t.Reserve(1, 2, 100000).offset, 25480);
  EXPECT_EQ(t.Reserve(1, 2, 100000).size, 15480);
  t.Commit(1, 2, 15480);
  EXPECT_EQ(t.Reserve(1, 2, 10).room, PartTable::Room::kPartDone);
  t.Commit(0, 0, 20480);
  EXPECT_TRUE(t.Complete());
  EXPECT_EQ(t.BytesDone(), 40960);
}

TEST(PartTable, GivesUpAPartAfterItsAttempts) {
  PartTable t;
  t.Plan(100, 1);
  t.Release(0, 0);
  for (int i = 1; i < download::kMaxPartAttempts; ++i) {
    ASSERT_EQ(t.Claim(7), 0) << i;
    t.Release(0, 7);
  }
  EXPECT_EQ(t.Claim(7), std::nullopt);
  EXPECT_FALSE(t.Complete());
}

TEST(PartTable, ProgressForgivesEarlierAttempts) {
  PartTable t;
  t.Plan(100, 1);
  t.Release(0, 0);
  for (int i = 0; i < 3 * download::kMaxPartAttempts; ++i) {
    ASSERT_EQ(t.Claim(1), 0) << i;
    t.Commit(0, 1, 1);
    t.Release(0, 1);
  }
}

TEST(PartTable, FallBackKeepsTheWholeBodyReaderGoing) {
  PartTable t;
  t.Plan(30000, 3);  // parts of 10000; connection 0 reads the whole body
  t.Commit(0, 0, 4000);
  ASSERT_EQ(t.Claim(1), 1);
  t.Commit(1, 1, 3000);
  t.FallBackToWholeBody();
  EXPECT_TRUE(t.WholeBodyOnly());
  EXPECT_EQ(t.BytesDone(), 4000) << "only what the reader wrote counts";
  EXPECT_EQ(t.Reserve(1, 1, 10).room, PartTable::Room::kLost);
  auto s = t.Reserve(0, 0, 100000);
  EXPECT_EQ(s.offset, 4000);
  EXPECT_EQ(s.size, 26000) << "the reader goes on to the end";
  EXPECT_EQ(t.Claim(2), std::nullopt) << "dropped parts are not handed out";
  t.Commit(0, 0, 26000);
  EXPECT_TRUE(t.Complete());
}

TEST(PartTable, FallBackWithoutReaderStartsOverFromZero) {
  PartTable t;
  t.Plan(30000, 3);
  t.Commit(0, 0, 10000);
  t.Release(0, 0);  // the first part is done; nobody reads a whole body now
  ASSERT_EQ(t.Claim(1), 1);
  t.Commit(1, 1, 500);
  t.FallBackToWholeBody();
  EXPECT_EQ(t.BytesDone(), 0);
  EXPECT_EQ(t.Claim(1), 0);
  auto s = t.Reserve(0, 1, 100000);
  EXPECT_EQ(s.offset, 0);
  EXPECT_EQ(s.size, 30000);
}

}  // namespace
