#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "lua.hpp"
#include "shell/scripts/lua/lua_patterns.h"

namespace zelmo::testing {
namespace {

// Each call runs against Lua's own string library and against the counted
// one, with S standing for the library; both must give the same values, or
// the same error.
const char* const kPatternCalls[] = {
    "S.find('hello world', 'o w')",
    "S.find('hello world', 'o', 6)",
    "S.find('hello world', 'l', -3)",
    "S.find('hello world', 'l', -30)",
    "S.find('hello', 'l', 10)",
    "S.find('a.b', '.', 1, true)",
    "S.find('hello', '')",
    "S.find('hello', '', 6)",
    "S.find('hello', '^h(e)(l+)')",
    "S.find('hello', '()ll()')",
    "S.find('x = 10', '^(%w+)%s*=%s*(%d+)$')",
    "S.match('key=value', '(%w+)=(%w+)')",
    "S.match('  trim  ', '^%s*(.-)%s*$')",
    "S.match('f(a(b)c)d', '%b()')",
    "S.match('THE (quick) fox', '%f[%a]%a+')",
    "S.match('abba', '(%a)(%a)%2%1')",
    "S.match('_id9 rest', '[%a_][%w_]*')",
    "S.match('a]b', '[%]]')",
    "S.match('a-b', '[a%-]+')",
    "S.match('cab', '[^a]+')",
    "S.match('x-y', '%w+%-%w+')",
    "S.match('aaab', 'a-b')",
    "S.match('b', 'a?b')",
    "S.match('caaat', 'ca*t')",
    "S.match('ct', 'ca+t')",
    "S.match('end', 'd$')",
    "S.match('a$b', 'a$b')",
    "S.match('hello', '.-(l+)(.*)', 2)",
    "S.match('\\0a\\0', '%z*')",
    "S.match('tab\\there', '%c')",
    "S.match('Ünï', '[\\128-\\255]+')",
    "S.match('%', '%%')",
    "S.match('x', '%X')",
    "collect(S.gmatch('one two  three', '%a+'))",
    "collect(S.gmatch('a=1, b=2', '(%w+)=(%w+)'))",
    "collect(S.gmatch('abc', ''))",
    "collect(S.gmatch('abcabc', 'b', 3))",
    "collect(S.gmatch('abc', 'x', 10))",
    "S.gsub('hello world', 'o', '0')",
    "S.gsub('hello world', '(%w+)', '<%1>')",
    "S.gsub('hello', '', '-')",
    "S.gsub('abc', '%w', '%0%0', 2)",
    "S.gsub('abc', '^%w', 'X')",
    "S.gsub('100%', '%%', ' percent')",
    "S.gsub('a b', '()%s()', '%1-%2')",
    "S.gsub('$name is $age', '%$(%w+)', {name = 'ann', age = 7})",
    "S.gsub('$x $y', '%$(%w+)', {x = false})",
    "S.gsub('1 2 3', '%d', function(d) return d * 2 end)",
    "S.gsub('1 2 3', '%d', function(d) if d == '2' then return nil end return 'n' end)",
    "S.gsub('abc', 'b', 5)",
    "S.gsub('abc', 'b', '%2')",
    "S.gsub('abc', 'b', '%')",
    "S.gsub('abc', 'b', {b = {}})",
    "S.gsub('abc', 'b', true)",
    "S.find('a', 'a%')",
    "S.find('a', '[a')",
    "S.find('a', '%b')",
    "S.find('a', '%1')",
    "S.find('a', 'a)')",
    "S.match('a', '(a')",
    "S.find('a', '%fa')",
    "S.find(('a'):rep(300), ('a?'):rep(250))",
    "S.find(('a'):rep(40), ('(a)'):rep(33))",
    "S.gsub('hello world', '%w+', '%0 %0', 1)",
};

// "value|value" of the call's results, or "error: text".
std::string RunCall(lua_State* L, const std::string& call) {
  const std::string code = "local S = ... local r = table.pack(" + call +
                           ") local out = {} for i = 1, r.n do out[i] = type(r[i]) .. ':' .. "
                           "tostring(r[i]) end return table.concat(out, '|')";
  const int top = lua_gettop(L);
  if (luaL_loadstring(L, code.c_str()) != LUA_OK) return "bad test: " + call;
  lua_pushvalue(L, top);
  const bool ran = lua_pcall(L, 1, 1, 0) == LUA_OK;
  std::string result = (ran ? "" : "error: ") + std::string(lua_tostring(L, -1));
  lua_settop(L, top);
  return result;
}

TEST(Patterns, MatchLikeLuasOwn) {
  std::unique_ptr<lua_State, decltype(&lua_close)> state(luaL_newstate(), lua_close);
  lua_State* L = state.get();
  luaL_openlibs(L);
  ASSERT_EQ(luaL_dostring(L,
                          "function collect(f) local t = {} for a, b in f do\n"
                          "  t[#t + 1] = tostring(a) .. ',' .. tostring(b) end\n"
                          "return table.concat(t, ';') end"),
            LUA_OK);
  lua_getglobal(L, "string");
  const int own = lua_gettop(L);
  lua_newtable(L);
  OpenPatterns(L, nullptr);
  const int counted = lua_gettop(L);
  for (const char* call : kPatternCalls) {
    lua_pushvalue(L, own);
    const std::string expected = RunCall(L, call);
    lua_pop(L, 1);
    lua_pushvalue(L, counted);
    EXPECT_EQ(expected.rfind("bad test", 0), std::string::npos) << call;
    EXPECT_EQ(RunCall(L, call), expected) << call;
    lua_pop(L, 1);
  }
}

}  // namespace
}  // namespace zelmo::testing
