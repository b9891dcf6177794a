#include <gtest/gtest.h>

#include <string>

#include "irc/transport/managed_buffer.h"

namespace zelmo {
namespace {

TEST(TransportBuffer, TakesFromTheFrontWithoutMovingTheRest) {
  TIdManagedBuffer buffer;
  buffer.Append("one\ntwo\n");
  EXPECT_EQ(buffer.Extract(4), "one\n");
  EXPECT_EQ(buffer.ReadOffset(), 4u);
  EXPECT_EQ(buffer.View(), "two\n");
  EXPECT_EQ(buffer.Size(), 4u);
  // Taking everything empties the block.
  EXPECT_EQ(buffer.Extract(100), "two\n");
  EXPECT_TRUE(buffer.Empty());
  EXPECT_EQ(buffer.ReadOffset(), 0u);
}

TEST(TransportBuffer, CompactsOnceTheOffsetPassesTheThreshold) {
  TIdManagedBuffer buffer;
  std::string data;
  for (int i = 0; i < 10000; ++i) data += std::to_string(i) + "\n";
  ASSERT_GT(data.size(), TIdManagedBuffer::kCompactAfter + 10);
  buffer.Append(data);
  std::size_t taken = 0;
  while (taken + 10 < TIdManagedBuffer::kCompactAfter) {
    EXPECT_EQ(buffer.Extract(10), data.substr(taken, 10));
    taken += 10;
  }
  EXPECT_EQ(buffer.ReadOffset(), taken);
  EXPECT_EQ(buffer.Extract(10), data.substr(taken, 10));
  taken += 10;
  EXPECT_EQ(buffer.ReadOffset(), 0u);
  EXPECT_EQ(buffer.View(), std::string_view(data).substr(taken));
  EXPECT_EQ(buffer.Size(), data.size() - taken);
}

}  // namespace
}  // namespace zelmo
