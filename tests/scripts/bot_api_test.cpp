#include <gtest/gtest.h>

#include "scripts/script_fixture.h"
#include "shell/scripts/lua/error_lines.h"
#include "shell/scripts/lua/lua_api.h"

namespace zelmo::testing {
namespace {

using Calls = std::vector<std::string>;

// A script's text run at load → what the host was asked, and the error
// line (a part of it), if any.
struct ApiRow {
  const char* source;
  Calls calls;
  const char* error;
};

const ApiRow kApiRows[] = {
    {"bot.say('#c', 'hi there')", {"say t.lua #c hi there"}, ""},
    {"bot.notice('ann', 'psst')", {"notice t.lua ann psst"}, ""},
    {"bot.mode('#c', '+o ann')", {"mode t.lua #c +o ann"}, ""},
    {"bot.kick('#c', 'bob', 'out')", {"kick t.lua #c bob out"}, ""},
    {"bot.kick('#c', 'bob')", {"kick t.lua #c bob "}, ""},
    {"bot.say('#c', tostring(bot.rights('a!b@c', '#c')))",
     {"rights a!b@c #c", "say t.lua #c 3"},
     ""},
    {"bot.rights('a!b@c')", {"rights a!b@c GENERAL"}, ""},
    {"bot.say('#c', table.concat(bot.users_in('#c'), ','))", {"say t.lua #c ann,bob"}, ""},
    {"bot.say('#c', #bot.users_in('#elsewhere'))", {"say t.lua #c 0"}, ""},
    {"bot.say('#refused', 'x')", {}, "Script t.lua: t.lua:1: the bot is not in #refused"},
    {"bot.say({}, 'x')", {}, "t.lua:1: bad argument #1 to 'say' (string expected, got table)"},
    {"bot.display('hi', 'loud')", {}, "bad argument #2 to 'display' (invalid option 'loud')"},
    {"bot.on('explode', print)", {}, "t.lua:1: bad argument #1 to 'on' (unknown event 'explode')"},
    {"bot.on('join', 'f')", {}, "bad argument #2 to 'on' (function expected, got string)"},
    {"bot.command('seen', {}, print)", {}, "bot.command: 'seen' is not a command name"},
    {"bot.command('!a b', {}, print)", {}, "bot.command: '!a b' is not a command name"},
    {"bot.command('!KICK', {}, print)", {}, "bot.command: !KICK is one of the bot's own commands"},
    {"bot.private('Help', {}, print)", {}, "bot.private: Help is one of the bot's own commands"},
    {"bot.private('a;b', {}, print)", {}, "bot.private: 'a;b' is not a command name"},
    {"bot.command('!x', {rights = 'op'}, print)", {}, "bot.command: rights must be a whole number"},
    {"bot.private('x', {params = 0}, print)", {}, "bot.private: params must be from 1 to 100"},
    {"bot.command('!x', {help = 5}, print)", {}, "bot.command: help must be a string"},
    {"bot.every(0.5, print)", {}, "the interval must be from 1 to"},
    {"bot.after(-1, print)", {}, "the interval must be from 0 to"},
    {"bot.http_get('ftp://x', print)", {}, "t.lua:1: the URL is refused"},
    {"bot.store.x = {}", {}, "bot.store: a value must be a string, a number or a boolean"},
    {"bot.store.x = ('x'):rep(4097)", {}, "bot.store: a value may be at most 4096 bytes long"},
    {"bot.store[('k'):rep(257)] = 1", {}, "bot.store: a key must be 1 to 256 bytes long"},
    {"assert(getmetatable(bot.store) == false)", {}, ""},
};

using BotApi = ScriptTest;

TEST_F(BotApi, AsksTheHostOrFails) {
  settings.reserved_channel_commands = {"!kick"};
  settings.reserved_private_commands = {"help"};
  for (const ApiRow& row : kApiRows) {
    ClearHost();
    const bool loaded = LoadOnly(row.source);
    EXPECT_EQ(host.calls, row.calls) << row.source;
    if (*row.error == '\0') {
      EXPECT_TRUE(loaded) << row.source;
      EXPECT_TRUE(host.errors.empty()) << host.errors.front();
    } else {
      EXPECT_FALSE(loaded) << row.source;
      ASSERT_EQ(host.errors.size(), 1u) << row.source;
      EXPECT_NE(host.errors[0].find(row.error), std::string::npos) << host.errors[0];
    }
  }
}

using BotTable = ScriptTest;

TEST_F(BotTable, DisplayAndPrintGoToTheOperator) {
  ASSERT_TRUE(
      LoadOnly("bot.display('plain') bot.display('loud', 'important') print('a', 1, nil)\n"
               "bot.display('forged\\n[12:00] line') bot.display(('x'):rep(5000))"));
  ASSERT_EQ(host.shown.size(), 5u);
  EXPECT_EQ(host.shown[2], "Script t.lua: a\t1\tnil");
  EXPECT_EQ(host.shown[3], "forged [12:00] line");
  EXPECT_EQ(host.shown[4], std::string(kMaxDisplayText, 'x') + "...");
}

TEST_F(BotTable, CommandsAreListedWithTheirOptions) {
  ASSERT_TRUE(
      LoadOnly("bot.command('!t', {rights = 2, help = 'h'}, print)\n"
               "bot.private('p', {rights = 1, params = 3}, print)"));
  commands = engine.Commands();
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].kind, ScriptCommandKind::Channel);
  EXPECT_EQ(commands[0].script, "t.lua");
  EXPECT_EQ(commands[0].rights, 2);
  EXPECT_EQ(commands[0].help, "h");
  EXPECT_EQ(commands[1].kind, ScriptCommandKind::Private);
  EXPECT_EQ(commands[1].name, "p");
  EXPECT_EQ(commands[1].params, 3);
}

TEST_F(BotTable, ACommandWordIsTakenOnce) {
  engine.Reset(settings);
  ASSERT_TRUE(engine.LoadSource("a.lua", "bot.command('!x', {}, print)"));
  EXPECT_FALSE(engine.LoadSource("b.lua", "bot.command('!X', {}, print)"));
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0], "Script b.lua: b.lua:1: bot.command: !X is taken by a.lua");
  // A script that failed to load leaves no command or handler behind.
  EXPECT_FALSE(
      engine.LoadSource("c.lua", "bot.command('!y', {}, print) bot.on('join', print) error('no')"));
  EXPECT_EQ(engine.Commands().size(), 1u);
  EXPECT_FALSE(engine.Listens(ScriptEventKind::Join));
  EXPECT_TRUE(engine.LoadSource("d.lua", "bot.command('!y', {}, print)"));
}

TEST_F(BotTable, CommandsAreRegisteredOnlyWhileLoading) {
  ASSERT_TRUE(LoadOnly("bot.after(0, function() bot.command('!late', {}, print) end)"));
  host.FireTimers();
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_NE(host.errors[0].find("bot.command may be called only while the script loads"),
            std::string::npos);
}

TEST_F(BotTable, ChannelCommandGetsContextAndWords) {
  ASSERT_TRUE(LoadOnly(
      "bot.command('!t', {}, function(ctx, args)\n"
      "  ctx.reply(table.concat({ctx.channel, ctx.nick, ctx.address, ctx.account, ctx.level,\n"
      "    #args, args[1], args[2], '[' .. args.text .. ']'}, ' '))\n"
      "end)"));
  Run("!t a  b ");
  EXPECT_EQ(host.calls, (Calls{"reply t.lua #c #c ann ann!a@host annacct 2 2 a b [a  b ]"}));
}

TEST_F(BotTable, PrivateCommandGetsItsParts) {
  ASSERT_TRUE(
      LoadOnly("bot.private('p', {}, function(ctx, parts)\n"
               "  ctx.reply(#parts .. ' ' .. table.concat(parts, '|') .. ' ' .. ctx.level)\n"
               "end)"));
  Run("p;one;;three", "");
  EXPECT_EQ(host.calls, (Calls{"reply t.lua ann 4 p|one||three 0"}));
}

struct EventRow {
  ScriptEventKind kind;
  const char* fields;  // the ev table, "key=value" sorted
};

const EventRow kEventRows[] = {
    {ScriptEventKind::Join, "account= address=ann!u@h channel=#c kind=join nick=ann"},
    {ScriptEventKind::Quit, "account= address=ann!u@h kind=quit nick=ann text=t"},
    {ScriptEventKind::Kick,
     "account= address=ann!u@h channel=#c kind=kick nick=ann target=x text=t"},
    {ScriptEventKind::Nick, "account= address=ann!u@h kind=nick new_nick=x nick=ann target=x"},
    {ScriptEventKind::Message,
     "account= address=ann!u@h channel=#c kind=message nick=ann target=x text=t"},
    {ScriptEventKind::Mode, "account= address=ann!u@h channel=#c kind=mode modes= nick=ann"},
    {ScriptEventKind::Connected, "kind=connected"},
};

using EventFields = ScriptTest;

TEST_F(EventFields, HoldWhatTheKindHas) {
  for (const EventRow& row : kEventRows) {
    ClearHost();
    ASSERT_TRUE(
        LoadOnly(std::string("bot.on('") + EventName(row.kind) +
                 "', function(ev)\n"
                 "  local fields = {}\n"
                 "  for key, value in pairs(ev) do fields[#fields + 1] = key .. '=' .. value end\n"
                 "  table.sort(fields)\n"
                 "  bot.say('#log', table.concat(fields, ' '))\n"
                 "end)"));
    EXPECT_TRUE(engine.Listens(row.kind));
    EXPECT_FALSE(engine.Listens(ScriptEventKind::Disconnected));
    Tell(row.kind, "#c", "ann", "t", "x");
    EXPECT_EQ(host.calls, (Calls{std::string("say t.lua #log ") + row.fields}));
  }
}

// A handler keeps the first event and writes to it; the next event shows
// that the kept one still holds its own fields, the writes and the cleared
// field, while a field its kind lacks stays nil. The event's metatable is
// out of reach, so no script can give later events a finalizer.
TEST_F(EventFields, AreTheScriptsOwnToKeepAndWrite) {
  ASSERT_TRUE(
      LoadOnly("local kept\n"
               "bot.on('message', function(ev)\n"
               "  if not kept then\n"
               "    assert(getmetatable(ev) == false)\n"
               "    kept = ev; ev.text = 'mine'; ev.seen = 1; ev.account = nil; ev[1] = 'one'\n"
               "    return\n"
               "  end\n"
               "  local fields = {}\n"
               "  for key, value in pairs(kept) do fields[#fields + 1] = key .. '=' .. value end\n"
               "  table.sort(fields)\n"
               "  bot.say('#log', table.concat(fields, ' ') .. ' | ' .. tostring(kept.modes) ..\n"
               "    ' ' .. tostring(kept.account) .. ' ' .. kept.text .. ' ' .. ev.text)\n"
               "end)"));
  Tell(ScriptEventKind::Message, "#c", "ann", "first", "x");
  Tell(ScriptEventKind::Message, "#d", "bob", "second");
  EXPECT_EQ(host.calls, (Calls{"say t.lua #log 1=one address=ann!u@h channel=#c kind=message "
                               "nick=ann seen=1 target=x text=mine | nil nil mine second"}));
  EXPECT_EQ(host.errors, Calls{});
}

}  // namespace
}  // namespace zelmo::testing
