#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "support/bot_process.h"
#include "support/irc_test_client.h"
#include "support/ngircd_server.h"
#include "support/temp_dir.h"
#include "support/web_server.h"

// The real program with a scripts folder on a real ngircd: the owner's Lua
// scripts' commands, events and calls as people on IRC meet them, and the
// bounds that keep a faulty script from costing the bot.

namespace zelmo::testing {
namespace {

using namespace std::chrono_literals;

// One command per call of the bot table, each answering what it did.
const char* const kApiScript = R"lua(
bot.command("!api", {help = "!api <call>: tries one call"}, function(ctx, args)
  local call = args[1]
  if call == "say" then bot.say(ctx.channel, "said by a script")
  elseif call == "notice" then bot.notice(ctx.nick, "noticed by a script")
  elseif call == "mode" then bot.mode(ctx.channel, "+v " .. ctx.nick)
  elseif call == "kick" then bot.kick(ctx.channel, args[2], "kicked by a script")
  elseif call == "reply" then ctx.reply("reply to " .. ctx.nick .. " at level " .. ctx.level)
  elseif call == "rights" then ctx.reply("rights " .. bot.rights(ctx.address, ctx.channel))
  elseif call == "users" then
    local nicks = bot.users_in(ctx.channel)
    table.sort(nicks)
    ctx.reply("users " .. table.concat(nicks, " "))
  elseif call == "display" then
    bot.display("shown by a script", "important")
    ctx.reply("displayed")
  elseif call == "store" then
    bot.store.count = (bot.store.count or 0) + 1
    ctx.reply("count " .. bot.store.count)
  elseif call == "after" then bot.after(0.2, function() bot.say(ctx.channel, "the timer ran") end)
  elseif call == "fetch" then
    bot.http_get(args[2], function(status, body) bot.say(ctx.channel, status .. " " .. body) end)
  elseif call == "flood" then
    local sent = 0
    for i = 1, 40 do
      local ok, why = pcall(bot.say, ctx.channel, "flood " .. i)
      if not ok then
        bot.display("flood stopped after " .. sent .. ": " .. why, "dangerous")
        return
      end
      sent = i
    end
  end
end)
)lua";

// Tells every event of someone but the watcher to the channel.
const char* const kEventsScript = R"lua(
for _, kind in ipairs({"join", "part", "quit", "kick", "nick", "message", "action", "mode"}) do
  bot.on(kind, function(ev)
    if ev.nick == "watcher" then return end
    bot.say("#room", "event " .. kind .. " by " .. ev.nick .. ": " .. (ev.text or "") .. "|" ..
                     (ev.target or "") .. "|" .. (ev.modes or ""))
  end)
end
)lua";

class Scripts : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!NgircdServer::Available()) GTEST_SKIP() << "ngircd is not installed";
    ngircd = std::make_unique<NgircdServer>();
    std::filesystem::create_directories(dir.Path() + "lua");
    dir.Write("Users.ini",
              "[owner]\nPassword=secret\nRights_General=2\nRights_#room=4\n"
              "[master]\nPassword=m\nRights_General=2\n");
  }

  void WriteScript(const std::string& name, const std::string& text) {
    std::ofstream(dir.Path() + "lua/" + name) << text;
  }

  // The bot with [Scripts] (none when `scripts` is empty), connected, and
  // in #room with the owner, who gave it the channel.
  void Start(const std::string& scripts = "Folder=lua\n", const std::string& extra = "") {
    const std::string section = scripts.empty() ? "" : "[Scripts]\n" + scripts;
    dir.Write("Config.ini", LoopbackConfig(ngircd->Port(), extra + section));
    bot = std::make_unique<BotProcess>(HeadlessBot(dir.Path()));
    ASSERT_TRUE(bot->AwaitDisplay("Type \"Connect\"", 10s));
    bot->Command("connect");
    ASSERT_TRUE(bot->AwaitDisplay("Connected to 127.0.0.1.", 10s));
    owner = LoggedIn("owner", "secret");
    owner->JoinChannel("#room");
    owner->Send("PRIVMSG ZelmoBot :join;#room");
    ASSERT_TRUE(owner->WaitFor(" JOIN :#room"));
    owner->Send("MODE #room +o ZelmoBot");
    ASSERT_TRUE(owner->WaitFor("MODE #room +o ZelmoBot"));
  }

  // Waits until the display has shown the text `count` times.
  bool AwaitShown(const std::string& text, int count) {
    return bot->Await(
        [&](const ProcessOutput& output) {
          int shown = 0;
          for (const std::string& line : output.DisplayTexts()) shown += line == text ? 1 : 0;
          return shown >= count;
        },
        10s);
  }

  // The bot's next line to the channel.
  std::optional<std::string> BotSays(IrcTestClient& client) {
    return client.WaitFor([](const std::string& line) {
      return line.starts_with(":ZelmoBot!") && line.find(" PRIVMSG #room :") != std::string::npos;
    });
  }

  std::unique_ptr<IrcTestClient> Client(const std::string& nick) {
    return std::make_unique<IrcTestClient>(NgircdServer::Host(), ngircd->Port(), nick);
  }

  // Until the bot has registered, the server answers a message to it with
  // 401, and the login is tried again.
  std::unique_ptr<IrcTestClient> LoggedIn(const std::string& nick, const std::string& password) {
    auto client = Client(nick);
    for (int attempt = 0; attempt < 50; ++attempt) {
      client->Send("PRIVMSG ZelmoBot :login;" + nick + ";" + password);
      auto answer = client->WaitFor([](const std::string& line) {
        return line.find("Login: Logged on") != std::string::npos ||
               line.find(" 401 ") != std::string::npos;
      });
      if (answer && answer->find("Login: Logged on") != std::string::npos) return client;
      std::this_thread::sleep_for(100ms);
    }
    ADD_FAILURE() << nick << " could not log in";
    return client;
  }

  std::unique_ptr<IrcTestClient> InRoom(const std::string& nick) {
    auto client = Client(nick);
    client->JoinChannel("#room");
    return client;
  }

  bool Mapped(const std::string& library) const {
    std::ifstream maps("/proc/" + std::to_string(bot->Pid()) + "/maps");
    std::stringstream text;
    text << maps.rdbuf();
    return text.str().find(library) != std::string::npos;
  }

  std::unique_ptr<NgircdServer> ngircd;
  TempDir dir;
  std::unique_ptr<BotProcess> bot;
  std::unique_ptr<IrcTestClient> owner;
};

TEST_F(Scripts, EachCallOfTheBotTableReachesIrcOrTheDisplay) {
  WriteScript("api.lua", kApiScript);
  Start();
  auto bob = InRoom("bob");
  WebServer web;
  web.Serve({WebServer::Status(200, "fetched")});
  struct Case {
    std::string command;
    std::string line;  // what the owner sees
  };
  const Case cases[] = {
      {"say", "PRIVMSG #room :said by a script"},
      {"notice", "NOTICE owner :noticed by a script"},
      {"mode", "MODE #room +v owner"},
      {"reply", "PRIVMSG #room :reply to owner at level 4"},
      {"rights", "PRIVMSG #room :rights 4"},
      {"users", "PRIVMSG #room :users ZelmoBot bob owner"},
      {"display", "PRIVMSG #room :displayed"},
      {"store", "PRIVMSG #room :count 1"},
      {"store", "PRIVMSG #room :count 2"},
      {"after", "PRIVMSG #room :the timer ran"},
      {"fetch " + web.Url("/page"), "PRIVMSG #room :200 fetched"},
      {"kick bob", "KICK #room bob :kicked by a script"},
  };
  for (const Case& test : cases) {
    owner->Send("PRIVMSG #room :!api " + test.command);
    EXPECT_TRUE(owner->WaitFor(test.line)) << test.command << "\n" << bot->DisplayOutput();
  }
  EXPECT_TRUE(bot->AwaitDisplay("-> owner: noticed by a script", 1s));
  EXPECT_TRUE(bot->AwaitDisplay("shown by a script", 1s));
  EXPECT_TRUE(bot->AwaitDisplay("-> #room: Kicked bob", 1s));
  // The store is written a moment after its last change.
  for (int wait = 0; wait < 100 && !dir.Exists("scripts/api.ini"); ++wait) {
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_NE(dir.Read("scripts/api.ini").find("count"), std::string::npos) << bot->DisplayOutput();
  EXPECT_EQ(
      std::filesystem::status(dir.Path() + "scripts").permissions() & std::filesystem::perms::all,
      std::filesystem::perms::owner_all);
}

TEST_F(Scripts, EventsOfOthersAreToldAndTheBotsOwnLinesAreNot) {
  WriteScript("events.lua", kEventsScript);
  Start();
  auto watcher = InRoom("watcher");
  auto alice = InRoom("alice");
  ASSERT_TRUE(watcher->WaitFor("PRIVMSG #room :event join by alice: ||"));
  struct Case {
    std::string line;  // alice's, or the owner's for the kick
    std::string told;
  };
  const Case cases[] = {
      {"PRIVMSG #room :hello", "event message by alice: hello|"},
      {"PRIVMSG #room :\001ACTION waves\001", "event action by alice: waves|"},
      {"PRIVMSG ZelmoBot :psst", "event message by alice: psst|ZelmoBot|"},
      {"MODE #room +m", "event mode by owner: ||+m"},
      {"NICK alicia", "event nick by alice: |alicia|"},
      {"PART #room :later", "event part by alicia: later||"},
  };
  for (const Case& test : cases) {
    (test.line.starts_with("MODE") ? owner : alice)->Send(test.line);
    EXPECT_TRUE(watcher->WaitFor(test.told)) << test.line << "\n" << bot->DisplayOutput();
  }
  alice->JoinChannel("#room");
  owner->Send("KICK #room alicia :out");
  EXPECT_TRUE(watcher->WaitFor("event kick by owner: out|alicia|"));
  auto carol = InRoom("carol");
  carol->Send("QUIT :gone");
  EXPECT_TRUE(watcher->WaitFor("event quit by carol: "));
  // The bot's own words to its own nick come back to it as a message.
  owner->Send("PRIVMSG ZelmoBot :say;ZelmoBot;to myself");
  EXPECT_FALSE(watcher->WaitFor("event message by ZelmoBot", 1000));
}

TEST_F(Scripts, RightsAndParametersAreRefusedWithTheBotsTexts) {
  WriteScript("guarded.lua", R"lua(
bot.command("!secret", {rights = 3}, function(ctx) ctx.reply("the secret") end)
bot.private("stats", {rights = 1, params = 2, help = "stats;<what>: counts"},
  function(ctx, parts) ctx.reply("stats of " .. parts[2]) end)
)lua");
  Start();
  auto dave = InRoom("dave");
  struct Case {
    IrcTestClient* who;
    std::string line;
    std::string answer;
  };
  const Case cases[] = {
      {dave.get(), "PRIVMSG #room :!secret",
       "PRIVMSG dave :!Secret: Error - Access rights too low"},
      {dave.get(), "PRIVMSG ZelmoBot :stats", "PRIVMSG dave :Stats: Error - Not enough parameters"},
      {dave.get(), "PRIVMSG ZelmoBot :stats;x",
       "PRIVMSG dave :Stats: Error - Access rights too low"},
      {owner.get(), "PRIVMSG #room :!SECRET", "PRIVMSG #room :the secret"},
      {owner.get(), "PRIVMSG ZelmoBot :Stats;lines", "PRIVMSG owner :stats of lines"},
  };
  for (const Case& test : cases) {
    test.who->Send(test.line);
    EXPECT_TRUE(test.who->WaitFor(test.answer)) << test.line << "\n" << bot->DisplayOutput();
  }
}

TEST_F(Scripts, HelpListsTheScriptsCommandsAndGivesTheirTexts) {
  WriteScript("guarded.lua", R"lua(
bot.private("stats", {help = "stats;<what>: counts"}, function() end)
bot.command("!hush", {}, function() end)
)lua");
  Start();
  owner->Send("PRIVMSG ZelmoBot :help");
  auto listed = owner->WaitFor("Listed script commands:");
  ASSERT_TRUE(listed);
  EXPECT_NE(listed->find(":Listed script commands: "), std::string::npos) << *listed;
  EXPECT_NE(listed->find("stats"), std::string::npos) << *listed;
  EXPECT_NE(listed->find("!hush"), std::string::npos) << *listed;
  EXPECT_TRUE(owner->WaitFor("Type \"help;<command>\""));
  owner->Send("PRIVMSG ZelmoBot :help;stats");
  EXPECT_TRUE(owner->WaitFor("PRIVMSG owner :stats;<what>: counts"));
  owner->Send("PRIVMSG ZelmoBot :help;!hush");
  EXPECT_TRUE(owner->WaitFor("PRIVMSG owner :!Hush: No help text."));
  owner->Send("PRIVMSG ZelmoBot :help;say");
  EXPECT_TRUE(owner->WaitFor("PRIVMSG owner :Say: Use as privmsg."));
}

TEST_F(Scripts, ReloadReadsAChangedScriptAndABrokenOneLeavesTheOthersLoaded) {
  WriteScript("a_broken.lua", "bot.command(\"!x\", {}, function() end\n");
  WriteScript("version.lua",
              "bot.command(\"!version\", {}, function(ctx) ctx.reply(\"first\") end)\n");
  Start();
  EXPECT_TRUE(bot->AwaitDisplay("Script a_broken.lua: ", 5s)) << bot->DisplayOutput();
  owner->Send("PRIVMSG #room :!version");
  ASSERT_TRUE(owner->WaitFor("PRIVMSG #room :first"));
  WriteScript("version.lua",
              "bot.command(\"!version\", {}, function(ctx) ctx.reply(\"second\") end)\n");
  bot->Command("reload");
  ASSERT_TRUE(AwaitShown("(Re)Loaded Config file...", 2));
  owner->Send("PRIVMSG #room :!version");
  EXPECT_TRUE(owner->WaitFor("PRIVMSG #room :second")) << bot->DisplayOutput();
  EXPECT_EQ(bot->CountDisplay("Script a_broken.lua: "), 2) << bot->DisplayOutput();
}

TEST_F(Scripts, AnEndlessLoopEndsAtTheStepBudgetAndTheBotStillAnswersAtOnce) {
  WriteScript("loop.lua", "bot.command(\"!spin\", {}, function() while true do end end)\n");
  Start();
  // Another client, past its first lines: the server holds back lines that
  // follow a client's others closely.
  auto pinger = Client("pinger");
  pinger->Send("PRIVMSG ZelmoBot :\001PING 1\001");
  ASSERT_TRUE(pinger->WaitFor("NOTICE pinger :\001PING 1\001", 5000));
  std::this_thread::sleep_for(2s);
  owner->Send("PRIVMSG #room :!spin");
  const auto sent = std::chrono::steady_clock::now();
  pinger->Send("PRIVMSG ZelmoBot :\001PING 42\001");
  EXPECT_TRUE(pinger->WaitFor("NOTICE pinger :\001PING 42\001", 5000));
  const auto took = std::chrono::steady_clock::now() - sent;
  EXPECT_LT(took, 1s) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
  EXPECT_TRUE(bot->AwaitDisplay("Script loop.lua: ran past its 10000000 steps", 5s))
      << bot->DisplayOutput();
}

TEST_F(Scripts, EndlessAllocationEndsAtTheMemoryCap) {
  WriteScript("hog.lua", R"lua(
bot.command("!hog", {}, function()
  local hoard = {}
  while true do hoard[#hoard + 1] = string.rep("x", 4096) .. #hoard end
end)
bot.command("!alive", {}, function(ctx) ctx.reply("still here") end)
)lua");
  Start("Folder=lua\nMaxMemory=4M\n");
  owner->Send("PRIVMSG #room :!hog");
  EXPECT_TRUE(bot->AwaitDisplay("Script hog.lua: ran past its memory cap of 4 MiB", 10s))
      << bot->DisplayOutput();
  owner->Send("PRIVMSG #room :!alive");
  EXPECT_TRUE(owner->WaitFor("PRIVMSG #room :still here"));
}

TEST_F(Scripts, FilesProgramsAndModulesAreOutOfReach) {
  WriteScript("escape.lua", R"lua(
bot.command("!escape", {}, function(ctx)
  local tries = {
    function() return io.open("/etc/hostname") end,
    function() return os.execute("true") end,
    function() return require("escape") end,
  }
  for i, try in ipairs(tries) do
    local ok = pcall(try)
    ctx.reply((ok and "escaped " or "refused ") .. i)
  end
end)
)lua");
  Start();
  owner->Send("PRIVMSG #room :!escape");
  for (const char* answer : {"refused 1", "refused 2", "refused 3"}) {
    EXPECT_TRUE(owner->WaitFor(std::string("PRIVMSG #room :") + answer)) << answer;
  }
}

// Paced at a line a second, a script that says 40 lines at once gets its
// share queued and an error for the rest, and a person's answer overtakes
// the script's queued lines.
TEST_F(Scripts, AScriptsShareOfTheSendQueueIsBounded) {
  WriteScript("api.lua", kApiScript);
  Start("Folder=lua\nQueueLines=5\n", "SendInterval=1000\nSendBurst=1\n");
  owner->Send("PRIVMSG #room :!api flood");
  EXPECT_TRUE(bot->AwaitDisplay("flood stopped after ", 10s)) << bot->DisplayOutput();
  EXPECT_TRUE(bot->AwaitDisplay("its whole share ([Scripts] QueueLines)", 1s));
  owner->Send("PRIVMSG ZelmoBot :help;say");
  auto seen = owner->WaitFor([](const std::string& line) {
    return line.find("Say: Use as privmsg") != std::string::npos ||
           line.find(":flood 6") != std::string::npos;
  });
  ASSERT_TRUE(seen);
  EXPECT_NE(seen->find("Say: Use as privmsg"), std::string::npos) << *seen;
  EXPECT_FALSE(owner->WaitFor(":flood 8", 3000));
}

TEST_F(Scripts, TheExamplesAnswerTheirCommands) {
  for (const char* name : {"seen.lua", "uptime.lua", "title.lua"}) {
    std::ifstream source(std::string(ZELMO_SOURCE_DIR) + "/examples/scripts/" + name);
    std::stringstream text;
    text << source.rdbuf();
    WriteScript(name, text.str());
  }
  Start();
  WebServer web;
  web.Serve({WebServer::Status(200, "<html><title>A &amp; B</title></html>")});
  auto alice = InRoom("alice");
  alice->Send("PRIVMSG #room :hello there");
  ASSERT_TRUE(owner->WaitFor("PRIVMSG #room :hello there"));
  owner->Send("PRIVMSG #room :!seen alice");
  auto seen = BotSays(*owner);
  ASSERT_TRUE(seen);
  EXPECT_NE(seen->find("alice"), std::string::npos) << *seen;
  EXPECT_NE(seen->find("hello there"), std::string::npos) << *seen;
  owner->Send("PRIVMSG ZelmoBot :uptime");
  EXPECT_TRUE(owner->WaitFor("PRIVMSG owner :Scripts loaded "));
  auto master = LoggedIn("master", "m");
  master->Send("PRIVMSG ZelmoBot :title;on");
  ASSERT_TRUE(master->WaitFor("PRIVMSG master :Link titles are on."));
  alice->Send("PRIVMSG #room :look " + web.Url("/page"));
  EXPECT_TRUE(owner->WaitFor("PRIVMSG #room :Title: A & B")) << bot->DisplayOutput();
}

TEST_F(Scripts, TheInterpreterIsMappedOnlyWithAScriptsFolder) {
  Start("");
  EXPECT_FALSE(Mapped("libzelmobot_lua.so"));
  EXPECT_FALSE(Mapped("liblua"));
  dir.Write("Config.ini", LoopbackConfig(ngircd->Port(), "[Scripts]\nFolder=lua\n"));
  bot->Command("reload");
  ASSERT_TRUE(AwaitShown("(Re)Loaded Config file...", 2));
  EXPECT_TRUE(Mapped("libzelmobot_lua.so"));
}

}  // namespace
}  // namespace zelmo::testing
