#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "channel/channel_guard.h"

namespace zelmo {
namespace {

// What the user does: says a text, joins, changes nick to the text, or
// sends a CTCP query to the channel.
enum class Did { kSay, kJoin, kNick, kCtcp };

struct GuardCase {
  const char* name;
  ChannelSettings settings;
  // Each event: its text, how many members it names, when (ms), what.
  struct Said {
    const char* text;
    int highlighted;
    SteadyMillis at;
    Did did = Did::kSay;
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

ChannelSettings Cycles(int joins) {
  ChannelSettings settings = With(0, 0, 0);
  settings.cycle_joins = joins;
  return settings;
}

ChannelSettings NickChanges(int changes, int flood_lines) {
  ChannelSettings settings = With(flood_lines, 0, 0);
  settings.nick_flood = changes;
  return settings;
}

ChannelSettings Ctcp() {
  ChannelSettings settings = With(0, 0, 0);
  settings.kick_on_ctcp = true;
  return settings;
}

// The step the event calls for, if any, as the shell asks for it.
std::optional<GuardStep> Step(ChannelGuard& guard, std::string& nick, const GuardCase::Said& said,
                              const ChannelSettings& settings) {
  std::optional<std::string> why;
  switch (said.did) {
    case Did::kSay:
      why = guard.Offence(nick, said.text, said.highlighted, said.at, settings);
      break;
    case Did::kJoin:
      why = guard.Cycled(nick, said.at, settings);
      break;
    case Did::kNick:
      why = guard.Renamed(nick, said.text, said.at, settings);
      nick = said.text;
      break;
    case Did::kCtcp:
      why = ChannelGuard::CtcpQuery(settings);
      break;
  }
  if (!why) return std::nullopt;
  return guard.Escalate(nick, said.at, settings);
}

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
      {"join/part cycling",
       Cycles(2),
       {{"", 0, 0, Did::kJoin}, {"", 0, 1, Did::kJoin}, {"", 0, 2, Did::kJoin}},
       {kNone, kNone, kWarn}},
      {"a nick flood; the counts and the steps follow the nick",
       NickChanges(2, 2),
       {{"a", 0, 0},
        {"b", 0, 1},
        {"Bob1", 0, 2, Did::kNick},
        {"Bob2", 0, 3, Did::kNick},
        {"c", 0, 4},
        {"Bob3", 0, 5, Did::kNick}},
       {kNone, kNone, kNone, kNone, kWarn, kKick}},
      {"a CTCP query to the channel",
       Ctcp(),
       {{"", 0, 0, Did::kCtcp}, {"", 0, 1, Did::kCtcp}},
       {kWarn, kKick}},
      {"off without thresholds",
       With(0, 0, 0),
       {{"x", 50, 0},
        {"x", 50, 0},
        {"x", 50, 0},
        {"", 0, 0, Did::kJoin},
        {"", 0, 0, Did::kJoin},
        {"Bob1", 0, 0, Did::kNick},
        {"Bob2", 0, 0, Did::kNick},
        {"", 0, 0, Did::kCtcp}},
       {kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone}},
  };
  for (const GuardCase& row : cases) {
    SCOPED_TRACE(row.name);
    ChannelGuard guard;
    std::string nick = "Bob";
    for (std::size_t i = 0; i < row.messages.size(); ++i) {
      EXPECT_EQ(Step(guard, nick, row.messages[i], row.settings), row.steps[i]) << i;
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
  EXPECT_LE(guard.Tracked(), ChannelGuard::kMaxTrackedUsers);
  EXPECT_GT(guard.Tracked(), ChannelGuard::kMaxTrackedUsers * 3 / 4);
  // The newest are kept: the last one's second line within the window is a flood.
  EXPECT_TRUE(guard.Message("u2999", "y", 0, 3010, settings));
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
