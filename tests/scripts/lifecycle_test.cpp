#include <gtest/gtest.h>

#include <filesystem>

#include "scripts/script_fixture.h"
#include "shell/scripts/lua/script_store.h"
#include "shell/scripts/lua/script_timers.h"

namespace zelmo::testing {
namespace {

using Calls = std::vector<std::string>;
using Timers = ScriptTest;

TEST_F(Timers, AfterFiresOnceEveryUntilCancelled) {
  ASSERT_TRUE(
      LoadOnly("local n = 0\n"
               "bot.after(0, function() bot.say('#c', 'once') end)\n"
               "local every\n"
               "every = bot.every(2, function()\n"
               "  n = n + 1 bot.say('#c', 'tick ' .. n)\n"
               "  if n == 2 then bot.say('#c', tostring(every:cancel())) end\n"
               "end)"));
  ASSERT_EQ(host.timers.size(), 2u);
  EXPECT_EQ(host.timers[0]->interval, 1);
  EXPECT_EQ(host.timers[1]->interval, 2000);
  for (int round = 0; round < 4; ++round) host.FireTimers();
  EXPECT_EQ(host.calls, (Calls{"say t.lua #c once", "say t.lua #c tick 1", "say t.lua #c tick 2",
                               "say t.lua #c true"}));
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(Timers, AreBoundedPerScript) {
  ASSERT_FALSE(LoadOnly("for i = 1, 65 do bot.every(5, print) end"));
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].find("a script may have at most 64 timers"), std::string::npos);
}

TEST_F(Timers, ReloadDropsTimersAndPendingFetches) {
  ASSERT_TRUE(
      LoadOnly("bot.every(1, function() bot.say('#c', 'old') end)\n"
               "bot.http_get('http://127.0.0.1/', function(status, body)\n"
               "  bot.say('#c', 'old page')\n"
               "end)"));
  ASSERT_EQ(host.fetches.size(), 1u);
  auto done = host.fetches[0].done;
  ASSERT_TRUE(LoadOnly("bot.command('!x', {}, print)"));
  EXPECT_TRUE(host.timers.empty());
  host.FireTimers();
  done(200, "late");
  EXPECT_TRUE(host.calls.empty());
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(Timers, FetchCallbackGetsStatusAndBody) {
  ASSERT_TRUE(
      LoadOnly("bot.http_get('https://example.test/', function(status, body)\n"
               "  bot.say('#c', status .. ' ' .. body)\n"
               "end)"));
  ASSERT_EQ(host.fetches.size(), 1u);
  EXPECT_EQ(host.fetches[0].script, "t.lua");
  EXPECT_EQ(host.fetches[0].url, "https://example.test/");
  host.fetches[0].done(0, "timed out");
  EXPECT_EQ(host.calls, (Calls{"say t.lua #c 0 timed out"}));
  ASSERT_FALSE(LoadOnly("for i = 1, 17 do bot.http_get('http://x/', print) end"));
  EXPECT_NE(host.errors[0].find("at most 16 pages at once"), std::string::npos);
}

using Store = ScriptTest;

TEST_F(Store, KeepsValuesAcrossLoads) {
  ASSERT_TRUE(
      LoadOnly("bot.store.n = 42 bot.store.f = 0.5 bot.store.yes = true\n"
               "bot.store.s = ' two  words\\n%20 ' bot.store.Ann = 'A' bot.store.ann = 'a'\n"
               "bot.store.gone = 1 bot.store.gone = nil"));
  // Written after a short delay, so a burst of changes is one write.
  ASSERT_EQ(host.timers.size(), 1u);
  EXPECT_EQ(host.timers[0]->interval, 2000);
  EXPECT_FALSE(dir.Exists("scripts/t.lua.ini"));
  host.FireTimers();
  EXPECT_TRUE(dir.Exists("scripts/t.lua.ini"));
  ASSERT_TRUE(LoadOnly(
      "local s = bot.store\n"
      "assert(s.n == 42 and math.type(s.n) == 'integer' and s.f == 0.5 and s.yes == true)\n"
      "assert(s.s == ' two  words\\n%20 ' and s.Ann == 'A' and s.ann == 'a' and s.gone == nil)"));
  EXPECT_TRUE(host.errors.empty()) << host.errors.front();
}

TEST_F(Store, IsWrittenAtUnload) {
  ASSERT_TRUE(LoadOnly("bot.store.k = 'v'"));
  engine.Reset(settings);
  EXPECT_NE(dir.Read("scripts/t.lua.ini").find("k=sv"), std::string::npos);
}

TEST_F(Store, AFileThatCannotBeReadIsNotWrittenOver) {
  std::filesystem::create_directories(dir.Path() + "scripts/t.lua.ini");
  ASSERT_TRUE(LoadOnly("bot.store.k = 'v'"));
  engine.Reset(settings);
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].find("bot.store: Unable to read"), std::string::npos) << host.errors[0];
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() + "scripts/t.lua.ini"));
}

TEST_F(Store, WithoutAFileTheScriptIsNotLoaded) {
  host.refuse_store = true;
  EXPECT_FALSE(LoadOnly("bot.command('!x', {}, print)"));
  EXPECT_EQ(host.errors, (Calls{"Script t.lua: cannot make the store's folder"}));
  EXPECT_TRUE(engine.Commands().empty());
}

TEST_F(Store, IsBoundedInKeys) {
  ASSERT_FALSE(LoadOnly("for i = 1, 10001 do bot.store['k' .. i] = i end"));
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].find("bot.store: the store is full (10000 keys)"), std::string::npos);
}

TEST(StoreText, RoundTrips) {
  const StoreValue kValues[] = {
      std::string(""), std::string("%41\r\n\x01 \"q\" "), std::int64_t{-7}, 1e300, false, true};
  for (const StoreValue& value : kValues) {
    StoreValue back;
    ASSERT_TRUE(DecodeStoreValue(EncodeStoreValue(value), back));
    EXPECT_EQ(back, value);
  }
  StoreValue ignored;
  for (const char* bad : {"", "x1", "i", "i1x", "n", "nabc", "b2"}) {
    EXPECT_FALSE(DecodeStoreValue(bad, ignored)) << bad;
  }
  EXPECT_EQ(EscapeStoreKey("Ann b=%"), "%41nn%20b%3D%25");
  EXPECT_EQ(UnescapeStore(EscapeStoreKey("Ann b=%")), "Ann b=%");
}

}  // namespace
}  // namespace zelmo::testing
