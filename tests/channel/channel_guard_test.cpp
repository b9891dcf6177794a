#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "channel/channel_guard.h"

namespace zelmo {
namespace {

struct GuardCase {
  const char* name;
  ChannelSettings settings;
  // Each message: its text, how many members it names, when (ms).
  struct Said {
    const char* text;
    int highlighted;
    SteadyMillis at;
  };
  std::vector<Said> messages;
  // The step taken at each message, or none.
  std::vector<std::optional<GuardStep>> steps;
};

ChannelSettings With(int flood_lines, int repeats, int highlights) {
  ChannelSettings settings;
  settings.flood_lines = flood_lines;
  settings.flood_seconds = 10;
  settings.repeats = repeats;
  settings.repeat_seconds = 60;
  settings.highlights = highlights;
  settings.escalate_minutes = 1;
  return settings;
}

constexpr auto kWarn = GuardStep::kWarn;
constexpr auto kKick = GuardStep::kKick;
constexpr auto kBan = GuardStep::kBan;
constexpr std::nullopt_t kNone = std::nullopt;

TEST(ChannelGuard, EachDefenceAndItsEscalation) {
  const std::vector<GuardCase> cases = {
      {"a flood of three lines over two, each offence its own burst",
       With(2, 0, 0),
       {{"a", 0, 0},
        {"b", 0, 1},
        {"c", 0, 2},
        {"d", 0, 3},
        {"e", 0, 4},
        {"f", 0, 5},
        {"g", 0, 6},
        {"h", 0, 7},
        {"i", 0, 8}},
       {kNone, kNone, kWarn, kNone, kNone, kKick, kNone, kNone, kBan}},
      {"a steady pace is no flood",
       With(2, 0, 0),
       {{"a", 0, 0}, {"b", 0, 5000}, {"c", 0, 10000}, {"d", 0, 15000}},
       {kNone, kNone, kNone, kNone}},
      {"repeats ignore case and colours",
       With(0, 2, 0),
       {{"buy now", 0, 0},
        {"\x03"
         "4BUY NOW",
         0, 1000},
        {"hello", 0, 2000},
        {"hello", 0, 3000}},
       {kNone, kWarn, kNone, kKick}},
      {"a mass highlight", With(0, 0, 3), {{"a b", 2, 0}, {"a b c", 3, 1}}, {kNone, kWarn}},
      {"offences a window apart start again with a warning",
       With(0, 0, 1),
       {{"x", 1, 0}, {"x", 1, 1000}, {"x", 1, 200000}},
       {kWarn, kKick, kWarn}},
      {"off without thresholds",
       With(0, 0, 0),
       {{"x", 50, 0}, {"x", 50, 0}, {"x", 50, 0}},
       {kNone, kNone, kNone}},
  };
  for (const GuardCase& row : cases) {
    SCOPED_TRACE(row.name);
    ChannelGuard guard;
    for (std::size_t i = 0; i < row.messages.size(); ++i) {
      const auto& said = row.messages[i];
      const auto action = guard.Message("Bob", said.text, said.highlighted, said.at, row.settings);
      EXPECT_EQ(action ? std::optional(action->step) : std::nullopt, row.steps[i]) << i;
    }
  }
}

TEST(ChannelGuard, SaysWhyAndCountsUsersApartWithinItsBound) {
  ChannelGuard guard;
  const ChannelSettings settings = With(1, 0, 0);
  ASSERT_FALSE(guard.Message("bob", "a", 0, 0, settings));
  ASSERT_FALSE(guard.Message("carol", "a", 0, 0, settings));
  const auto action = guard.Message("BOB", "b", 0, 1, settings);
  ASSERT_TRUE(action);
  EXPECT_EQ(action->why, "flood: 2 lines in 10s");
  for (int i = 0; i < 3000; ++i) guard.Message("u" + std::to_string(i), "x", 0, 10 + i, settings);
  EXPECT_EQ(guard.Tracked(), ChannelGuard::kMaxTrackedUsers);
}

TEST(ChannelGuard, JoinFloodsAndNetsplits) {
  ChannelSettings settings = With(0, 0, 0);
  settings.join_flood = 2;
  settings.join_seconds = 10;
  ChannelGuard guard;
  EXPECT_FALSE(guard.Joined(0, settings));
  EXPECT_FALSE(guard.Joined(1, settings));
  EXPECT_TRUE(guard.Joined(2, settings));
  for (const auto& [reason, split] :
       std::vector<std::pair<const char*, bool>>{{"hub.example.net leaf.example.org", true},
                                                 {"irc.a irc.b", true},
                                                 {"Quit: see you", false},
                                                 {"a.b", false},
                                                 {"a.b c.d e.f", false},
                                                 {".a b.", false},
                                                 {"", false}}) {
    EXPECT_EQ(IsNetsplitReason(reason), split) << reason;
  }
  NetsplitMemory memory;
  memory.Lost("Bob", 0);
  EXPECT_TRUE(memory.Returned("bob", NetsplitMemory::kRemembered));
  EXPECT_FALSE(memory.Returned("bob", NetsplitMemory::kRemembered));  // once
  memory.Lost("carol", 0);
  EXPECT_FALSE(memory.Returned("carol", NetsplitMemory::kRemembered + 1));
  for (std::size_t i = 0; i < NetsplitMemory::kMaxNicks + 10; ++i) {
    memory.Lost("u" + std::to_string(i), 5);
  }
  EXPECT_FALSE(memory.Returned("u1009", 5));  // the memory was full
  EXPECT_TRUE(memory.Returned("u0", 5));
}

}  // namespace
}  // namespace zelmo
