#include "app/historybuffer.h"

#include <gtest/gtest.h>
#include <cmath>
#include <memory>

namespace {

std::unique_ptr<THistoryBuffer> Fresh() {
  auto b = std::make_unique<THistoryBuffer>();
  b->Clear();
  return b;
}

TEST(HistoryBuffer, FreshBufferAveragesToTheEmptySample) {
  auto b = Fresh();
  EXPECT_EQ(b->head, 0);
  EXPECT_EQ(b->capacity, 60000);
  EXPECT_TRUE(std::isnan(b->Average(0, 1, 1)));
  EXPECT_TRUE(std::isnan(b->Average(3, 60, 30)));
}

TEST(HistoryBuffer, StaticInstancesStartEmpty) {
  EXPECT_EQ(HeadingHistory.capacity, 60000);
  EXPECT_EQ(HeadingHistory.head, 0);
  EXPECT_TRUE(std::isnan(HeadingHistory.samples[59999]));
  EXPECT_TRUE(std::isnan(DepthHistory.samples[0]));
}

TEST(HistoryBuffer, FirstPushLandsAtOneAndTheHeadWraps) {
  auto b = Fresh();
  b->Push(4.0f);
  EXPECT_EQ(b->head, 1);
  EXPECT_EQ(b->samples[1], 4.0f);
  EXPECT_TRUE(std::isnan(b->samples[0]));
  for (int i = 1; i < 60000; ++i) b->Push(static_cast<float>(i));
  EXPECT_EQ(b->head, 0);
  EXPECT_EQ(b->samples[0], 59999.0f);
  b->Push(-1.0f);
  EXPECT_EQ(b->head, 1);
  EXPECT_EQ(b->samples[1], -1.0f);
}

TEST(HistoryBuffer, IndexBackWrapsForAnyDistance) {
  auto b = Fresh();
  for (int i = 0; i < 5; ++i) b->Push(static_cast<float>(i));
  EXPECT_EQ(b->IndexBack(0), 5);
  EXPECT_EQ(b->IndexBack(6), 59999);
  EXPECT_EQ(b->IndexBack(60000), 5);
  EXPECT_EQ(b->IndexBack(60006), 59999);
  EXPECT_EQ(b->IndexBack(-1), 6);
  EXPECT_EQ(b->IndexBack(2'000'000'000), (5 - 2'000'000'000LL % 60000 + 60000) % 60000);
}

TEST(HistoryBuffer, HeadMovesStayInsideTheRing) {
  auto b = Fresh();
  b->MoveHead(-1);
  EXPECT_EQ(b->head, 59999);
  b->MoveHead(3);
  EXPECT_EQ(b->head, 2);
  b->MoveHead(-3600 - 60000 * 3);
  EXPECT_EQ(b->head, 60000 - 3598);
  b->MoveHead(2'147'483'647);
  EXPECT_GE(b->head, 0);
  EXPECT_LT(b->head, 60000);
}

TEST(HistoryBuffer, AverageTakesCountSamplesFromFirstTimesStepBack) {
  auto b = Fresh();
  for (int i = 1; i <= 200; ++i) b->Push(static_cast<float>(i));  // newest is 200
  EXPECT_EQ(b->Average(0, 1, 1), 200.0f);
  EXPECT_EQ(b->Average(5, 1, 1), 195.0f);
  EXPECT_FLOAT_EQ(b->Average(1, 60, 30), (140.0f + 111.0f) / 2);  // 60..89 back
  EXPECT_EQ(b->Average(0, 1, 0), 200.0f);
  EXPECT_EQ(b->Average(0, 1, -4), 200.0f);
  // Reaching back past the oldest push reads the empty samples and then the ring's end.
  EXPECT_TRUE(std::isnan(b->Average(200, 1, 1)));
  EXPECT_FLOAT_EQ(b->Average(1, 60000, 1), 200.0f);  // a whole ring back
  // A second without a value (NaN) is left out of the mean; a span of none is NaN, drawn as a gap.
  b->Push(NAN);
  b->Push(10.0f);
  EXPECT_FLOAT_EQ(b->Average(0, 1, 3), (10.0f + 200.0f) / 2);
  EXPECT_TRUE(std::isnan(b->Average(1, 1, 1)));
}

TEST(HistoryBuffer, AverageIsClamped) {
  auto b = Fresh();
  b->Push(150000.0f);
  EXPECT_EQ(b->Average(0, 1, 1), 99999.0f);
  b->Push(-150000.0f);
  EXPECT_EQ(b->Average(0, 1, 1), -99999.0f);
  EXPECT_FLOAT_EQ(b->Average(0, 1, 2), 0.0f);
}

TEST(HistoryBuffer, ClearEmptiesAndRewinds) {
  auto b = Fresh();
  for (int i = 0; i < 10; ++i) b->Push(7.0f);
  b->Clear();
  EXPECT_EQ(b->head, 0);
  EXPECT_TRUE(std::isnan(b->Average(0, 1, 20)));
  b->Push(1.0f);
  b->Init();  // Init keeps the head
  EXPECT_EQ(b->head, 1);
  EXPECT_TRUE(std::isnan(b->samples[1]));
}

}  // namespace
