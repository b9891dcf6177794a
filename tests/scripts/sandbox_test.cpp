#include <gtest/gtest.h>

#include <filesystem>

#include "scripts/script_fixture.h"
#include "shell/scripts/lua/error_lines.h"

namespace zelmo::testing {
namespace {

// A script's text → the error line it ends with (a part of it), or "" when
// it must run.
struct SandboxRow {
  const char* source;
  const char* error;
};

const SandboxRow kSandboxRows[] = {
    {"io.open('/etc/passwd')", "attempt to index a nil value (global 'io')"},
    {"os.execute('true')", "attempt to call a nil value (field 'execute')"},
    {"os.getenv('HOME')", "attempt to call a nil value (field 'getenv')"},
    {"os.remove('x')", "attempt to call a nil value (field 'remove')"},
    {"package.loadlib('x', 'y')", "attempt to index a nil value (global 'package')"},
    {"debug.sethook()", "attempt to index a nil value (global 'debug')"},
    {"dofile('/etc/passwd')", "attempt to call a nil value (global 'dofile')"},
    {"loadfile('/etc/passwd')", "attempt to call a nil value (global 'loadfile')"},
    {"require('../secret')", "require: '../secret' is not a module name"},
    {"require('/etc/passwd')", "require: '/etc/passwd' is not a module name"},
    {"require('a..b')", "is not a module name"},
    {"require('missing')", "require: no module 'missing' in the scripts' folder"},
    {"assert(load(string.dump(function() end)))", "attempt to load a binary chunk"},
    {"load('return 1', 'x', 'b')", "binary chunks are not allowed"},
    {"collectgarbage('stop')", "collectgarbage: option 'stop' is not allowed"},
    {"collectgarbage('generational')", "option 'generational' is not allowed"},
    {"setmetatable({}, {__gc = function() while true do end end})",
     "setmetatable: __gc metamethods are not allowed"},
    {"getmetatable(bot.after(5, print)).__gc = print", "attempt to index a boolean value"},
    {"local t = setmetatable({}, {__index = {a = 1}}) assert(t.a == 1)", ""},
    {"assert(os.time() > 0 and os.date('%Y') and os.clock() >= 0)", ""},
    {"assert(collectgarbage('count') > 0) collectgarbage() collectgarbage('step')", ""},
    {"assert(load('return 1 + 1')() == 2)", ""},
    {"local env = {} load('x = 1', 'c', 't', env)() assert(env.x == 1 and x == nil)", ""},
    {"assert(string.rep and table.concat and math.floor and utf8.char and coroutine.wrap)", ""},
    {"local a = require('lib.util') assert(a == require('lib.util') and a.loads == 1)", ""},
};

using Sandbox = ScriptTest;

TEST_F(Sandbox, RefusesWhatIsNotAllowed) {
  std::filesystem::create_directories(settings.folder + "/lib");
  dir.Write("scripts-in/lib/util.lua", "loads = (loads or 0) + 1 return {loads = loads}");
  for (const SandboxRow& row : kSandboxRows) {
    ClearHost();
    const bool loaded = LoadOnly(row.source);
    if (*row.error == '\0') {
      EXPECT_TRUE(loaded) << (host.errors.empty() ? row.source : host.errors[0]);
    } else {
      ASSERT_EQ(host.errors.size(), 1u) << row.source;
      EXPECT_NE(host.errors[0].find(row.error), std::string::npos) << host.errors[0];
      EXPECT_EQ(host.errors[0].rfind("Script t.lua: t.lua:1: ", 0), 0u) << host.errors[0];
    }
  }
}

class Caps : public ScriptTest {
 protected:
  Caps() {
    settings.max_steps = 100'000;
    settings.max_memory = std::size_t{4} << 20;
  }
  void LoadWithCheck(const std::string& body) {
    ASSERT_TRUE(LoadOnly("bot.command('!run', {}, function(ctx) " + body +
                         " end)\n"
                         "bot.command('!ok', {}, function(ctx) ctx.reply('fine') end)"));
  }
};

TEST_F(Caps, AnEndlessLoopEndsAndTheNextCallRuns) {
  const char* const kLoops[] = {
      "while true do end",
      "while true do pcall(function() while true do end end) end",
      "local co = coroutine.wrap(function() while true do end end) co()",
      "while true do pcall(error) end",
      "local t = setmetatable({}, {__index = function(t, k) return t[k + 1] end}) return t[1]",
      "return ('a'):rep(3000):find('.-.-.-b')",
      "for word in (' '):rep(400):gmatch('(.-) (.-) (.-)x') do end",
      "return ((' '):rep(400)):gsub('(.-) (.-) (.-)x', '')",
  };
  for (const char* loop : kLoops) {
    ClearHost();
    LoadWithCheck(loop);
    Run("!run");
    ASSERT_EQ(host.errors.size(), 1u) << loop;
    EXPECT_TRUE(host.errors[0] == "Script t.lua: ran past its 100000 steps" ||
                host.errors[0].find("stack overflow") != std::string::npos)
        << loop << ": " << host.errors[0];
    Run("!ok");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"reply t.lua #c fine"})) << loop;
  }
}

TEST_F(Caps, AllocatingWithoutEndStopsAtTheCap) {
  const char* const kHogs[] = {
      "local t = {} while true do t[#t + 1] = ('x'):rep(1000) .. #t end",
      "local s = 'x' while true do s = s .. s end",
      "local t = {} for i = 1, 1e9 do t[i] = i end",
      "hog = {} while true do hog[#hog + 1] = {} end",
  };
  for (const char* hog : kHogs) {
    ClearHost();
    settings.max_steps = 100'000'000;
    LoadWithCheck(hog);
    Run("!run");
    ASSERT_EQ(host.errors.size(), 1u) << hog;
    EXPECT_EQ(host.errors[0], "Script t.lua: ran past its memory cap of 4 MiB") << hog;
    // Memory the failed call held is collected; what stays reachable stays.
    Run("!ok");
    if (std::string(hog).rfind("hog", 0) != 0) {
      EXPECT_EQ(host.calls, (std::vector<std::string>{"reply t.lua #c fine"})) << hog;
    }
  }
}

TEST_F(Caps, LoadErrorsNameFileAndLineAndOthersLoad) {
  dir.Write("scripts-in/a.lua", "local x\nx = nil + 1\n");
  dir.Write("scripts-in/b.lua", "x = = 1\n");
  dir.Write("scripts-in/c.lua", "bot.command('!c', {}, print)\n");
  dir.Write("scripts-in/d.lua", "error('no')\n");
  dir.Write("scripts-in/e.lua", "error({})\n");
  dir.Write("scripts-in/f.lua", "bot.command('!f', {}, print)\n");
  dir.Write("scripts-in/notes.txt", "not a script");
  std::filesystem::create_directories(settings.folder + "/g.lua");
  settings.disabled = {"f.lua"};
  engine.Load(settings);
  EXPECT_EQ(host.errors, (std::vector<std::string>{
                             "Script a.lua: a.lua:2: attempt to perform arithmetic on a nil value",
                             "Script b.lua: b.lua:1: unexpected symbol near '='",
                             "Script d.lua: d.lua:1: no",
                             "Script e.lua: e.lua:1: (error object is a table value)",
                         }));
  ASSERT_EQ(engine.Commands().size(), 1u);
  EXPECT_EQ(engine.Commands()[0].name, "!c");
}

TEST_F(Caps, TheFolderIsBoundedInFilesAndSize) {
  dir.Write("scripts-in/big.lua", "-- " + std::string(LuaEngine::kMaxSourceBytes, 'x'));
  for (std::size_t n = 0; n < LuaEngine::kMaxScripts; ++n) {
    dir.Write("scripts-in/s" + std::to_string(100 + n) + ".lua",
              "bot.command('!c" + std::to_string(n) + "', {}, print)");
  }
  engine.Load(settings);
  EXPECT_EQ(host.errors,
            (std::vector<std::string>{
                "Scripts: only the first 64 scripts of " + settings.folder + " are loaded",
                "Script big.lua: the file is larger than 1 MiB"}));
  // big.lua comes first by name; the last of the others is left out.
  EXPECT_EQ(engine.Commands().size(), LuaEngine::kMaxScripts - 1);
}

TEST_F(Caps, ErrorLinesAreRateLimitedPerScript) {
  ASSERT_TRUE(LoadOnly("bot.command('!run', {}, function() error('boom') end)"));
  for (int run = 0; run < 9; ++run) Run("!run");
  ASSERT_EQ(host.errors.size(), 6u);
  EXPECT_EQ(host.errors[4], "Script t.lua: t.lua:1: boom");
  EXPECT_EQ(host.errors[5], "Script t.lua: more errors left out for a minute");
}

TEST(ErrorLineLimiter, OpensAgainAfterTheWindow) {
  ErrorLineLimiter limiter;
  const auto start = ErrorLineLimiter::Clock::now();
  for (int line = 0; line < ErrorLineLimiter::kLinesPerWindow; ++line) {
    EXPECT_EQ(limiter.Take(start), ErrorLineLimiter::Verdict::Show);
  }
  EXPECT_EQ(limiter.Take(start), ErrorLineLimiter::Verdict::ShowLeftOut);
  EXPECT_EQ(limiter.Take(start + std::chrono::seconds(59)), ErrorLineLimiter::Verdict::Drop);
  EXPECT_EQ(limiter.Take(start + ErrorLineLimiter::kWindow), ErrorLineLimiter::Verdict::Show);
}

TEST(ErrorText, IsOneBoundedLine) {
  EXPECT_EQ(OneLine("a\nb\rc"), "a b c");
  const std::string cut = OneLine(std::string(kMaxErrorText - 1, 'x') + "\xC3\xA9tail");
  EXPECT_EQ(cut, std::string(kMaxErrorText - 1, 'x') + "...");
  EXPECT_EQ(SizeText(std::size_t{16} << 20), "16 MiB");
  EXPECT_EQ(SizeText(std::size_t{64} << 10), "64 KiB");
  EXPECT_EQ(SizeText(1500), "1500 bytes");
}

}  // namespace
}  // namespace zelmo::testing
