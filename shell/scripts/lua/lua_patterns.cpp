#include "shell/scripts/lua/lua_patterns.h"

#include <cctype>
#include <cstddef>
#include <cstring>
#include <string_view>

// Lua 5.4's patterns, as its manual describes them: single-character classes
// (".", "%a" and the other letters, "[set]") with "*", "+", "-" and "?",
// anchors, captures and position captures, "%1" to "%9", "%bxy" and
// "%f[set]". Matching backtracks the way Lua's does, so the results are the
// same; every step is counted.

namespace zelmo {

namespace {

constexpr int kMaxCaptures = 32;
constexpr int kMaxDepth = 200;
constexpr long kChargeEvery = 1000;
constexpr std::ptrdiff_t kUnfinished = -1;
constexpr std::ptrdiff_t kPosition = -2;

unsigned char Byte(const char* p) {
  return static_cast<unsigned char>(*p);
}

struct MatchState {
  const char* src_init;
  const char* src_end;
  const char* p_end;
  lua_State* L;
  StepMeter* meter;
  long steps;
  int depth;
  int level;
  struct {
    const char* init;
    std::ptrdiff_t len;
  } capture[kMaxCaptures];

  void Step(long count = 1) {
    steps += count;
    if (steps >= kChargeEvery && meter != nullptr) {
      const long charged = steps;
      steps = 0;
      meter->Charge(L, charged);
    }
  }
  void Restart() {
    level = 0;
    depth = kMaxDepth;
  }
};

const char* Match(MatchState& ms, const char* s, const char* p);

const char* ClassEnd(MatchState& ms, const char* p) {
  switch (*p++) {
    case '%':
      if (p == ms.p_end) luaL_error(ms.L, "malformed pattern (ends with '%%')");
      return p + 1;
    case '[':
      if (*p == '^') p++;
      do {
        if (p == ms.p_end) luaL_error(ms.L, "malformed pattern (missing ']')");
        if (*(p++) == '%' && p < ms.p_end) p++;
      } while (*p != ']');
      return p + 1;
    default:
      return p;
  }
}

struct CharClass {
  char letter;
  bool (*test)(int c);
};

constexpr CharClass kCharClasses[] = {
    {'a', [](int c) { return std::isalpha(c) != 0; }},
    {'c', [](int c) { return std::iscntrl(c) != 0; }},
    {'d', [](int c) { return std::isdigit(c) != 0; }},
    {'g', [](int c) { return std::isgraph(c) != 0; }},
    {'l', [](int c) { return std::islower(c) != 0; }},
    {'p', [](int c) { return std::ispunct(c) != 0; }},
    {'s', [](int c) { return std::isspace(c) != 0; }},
    {'u', [](int c) { return std::isupper(c) != 0; }},
    {'w', [](int c) { return std::isalnum(c) != 0; }},
    {'x', [](int c) { return std::isxdigit(c) != 0; }},
};

// "%a" and the other letters; a capital is the complement; any other
// character after "%" stands for itself.
bool MatchClass(int c, int cl) {
  for (const CharClass& each : kCharClasses) {
    if (each.letter == std::tolower(cl)) return each.test(c) != (std::isupper(cl) != 0);
  }
  return cl == c;
}

// p is at "[", end at the closing "]".
bool MatchBracket(MatchState& ms, int c, const char* p, const char* end) {
  ms.Step(end - p);
  bool found = true;
  if (*(p + 1) == '^') {
    found = false;
    p++;
  }
  while (++p < end) {
    if (*p == '%') {
      p++;
      if (MatchClass(c, Byte(p))) return found;
    } else if (*(p + 1) == '-' && p + 2 < end) {
      p += 2;
      if (Byte(p - 2) <= c && c <= Byte(p)) return found;
    } else if (Byte(p) == c) {
      return found;
    }
  }
  return !found;
}

bool SingleMatch(MatchState& ms, const char* s, const char* p, const char* ep) {
  if (s >= ms.src_end) return false;
  const int c = Byte(s);
  switch (*p) {
    case '.':
      return true;
    case '%':
      return MatchClass(c, Byte(p + 1));
    case '[':
      return MatchBracket(ms, c, p, ep - 1);
    default:
      return Byte(p) == c;
  }
}

const char* MatchBalance(MatchState& ms, const char* s, const char* p) {
  if (p >= ms.p_end - 1) luaL_error(ms.L, "malformed pattern (missing arguments to '%%b')");
  if (s >= ms.src_end || *s != *p) return nullptr;
  const char open = *p, close = *(p + 1);
  int depth = 1;
  while (++s < ms.src_end) {
    ms.Step();
    if (*s == close) {
      if (--depth == 0) return s + 1;
    } else if (*s == open) {
      depth++;
    }
  }
  return nullptr;
}

const char* MaxExpand(MatchState& ms, const char* s, const char* p, const char* ep) {
  std::ptrdiff_t count = 0;
  while (SingleMatch(ms, s + count, p, ep)) {
    ms.Step();
    count++;
  }
  for (; count >= 0; count--) {
    if (const char* end = Match(ms, s + count, ep + 1)) return end;
  }
  return nullptr;
}

const char* MinExpand(MatchState& ms, const char* s, const char* p, const char* ep) {
  for (;;) {
    if (const char* end = Match(ms, s, ep + 1)) return end;
    if (!SingleMatch(ms, s, p, ep)) return nullptr;
    s++;
  }
}

const char* StartCapture(MatchState& ms, const char* s, const char* p, std::ptrdiff_t what) {
  if (ms.level >= kMaxCaptures) luaL_error(ms.L, "too many captures");
  ms.capture[ms.level].init = s;
  ms.capture[ms.level].len = what;
  ms.level++;
  const char* end = Match(ms, s, p);
  if (end == nullptr) ms.level--;
  return end;
}

const char* EndCapture(MatchState& ms, const char* s, const char* p) {
  int open = ms.level - 1;
  while (open >= 0 && ms.capture[open].len != kUnfinished) open--;
  if (open < 0) luaL_error(ms.L, "invalid pattern capture");
  ms.capture[open].len = s - ms.capture[open].init;
  const char* end = Match(ms, s, p);
  if (end == nullptr) ms.capture[open].len = kUnfinished;
  return end;
}

int CheckCapture(MatchState& ms, int digit) {
  const int index = digit - '1';
  if (index < 0 || index >= ms.level || ms.capture[index].len == kUnfinished) {
    luaL_error(ms.L, "invalid capture index %%%d", index + 1);
  }
  return index;
}

const char* MatchCapture(MatchState& ms, const char* s, int digit) {
  const int index = CheckCapture(ms, digit);
  const auto length = static_cast<std::size_t>(ms.capture[index].len);
  ms.Step(static_cast<long>(length));
  if (static_cast<std::size_t>(ms.src_end - s) >= length &&
      std::memcmp(ms.capture[index].init, s, length) == 0) {
    return s + length;
  }
  return nullptr;
}

// The item at p is a single-character class, maybe with a quantifier.
// Sets p to where matching goes on, or gives the end of the match.
const char* MatchItem(MatchState& ms, const char* s, const char*& p, bool& go_on) {
  const char* ep = ClassEnd(ms, p);
  go_on = false;
  if (!SingleMatch(ms, s, p, ep)) {
    if (*ep == '*' || *ep == '?' || *ep == '-') {
      p = ep + 1;
      go_on = true;
      return s;
    }
    return nullptr;
  }
  switch (*ep) {
    case '?':
      if (const char* end = Match(ms, s + 1, ep + 1)) return end;
      p = ep + 1;
      go_on = true;
      return s;
    case '+':
      return MaxExpand(ms, s + 1, p, ep);
    case '*':
      return MaxExpand(ms, s, p, ep);
    case '-':
      return MinExpand(ms, s, p, ep);
    default:
      p = ep;
      go_on = true;
      return s + 1;
  }
}

// "%b", "%f" and "%1".."%9"; other escapes are classes.
const char* MatchEscape(MatchState& ms, const char* s, const char*& p, bool& go_on) {
  go_on = false;
  const char kind = *(p + 1);
  if (kind == 'b') {
    s = MatchBalance(ms, s, p + 2);
    if (s != nullptr) {
      p += 4;
      go_on = true;
    }
    return s;
  }
  if (kind == 'f') {
    p += 2;
    if (*p != '[') luaL_error(ms.L, "missing '[' after '%%f' in pattern");
    const char* ep = ClassEnd(ms, p);
    const int previous = s == ms.src_init ? '\0' : Byte(s - 1);
    const int current = s < ms.src_end ? Byte(s) : '\0';
    if (!MatchBracket(ms, previous, p, ep - 1) && MatchBracket(ms, current, p, ep - 1)) {
      p = ep;
      go_on = true;
      return s;
    }
    return nullptr;
  }
  if (std::isdigit(static_cast<unsigned char>(kind))) {
    s = MatchCapture(ms, s, static_cast<unsigned char>(kind));
    if (s != nullptr) {
      p += 2;
      go_on = true;
    }
    return s;
  }
  return MatchItem(ms, s, p, go_on);
}

const char* Match(MatchState& ms, const char* s, const char* p) {
  if (ms.depth-- == 0) luaL_error(ms.L, "pattern too complex");
  ms.Step();
  bool go_on = true;
  while (go_on && s != nullptr && p != ms.p_end) {
    switch (*p) {
      case '(':
        s = *(p + 1) == ')' ? StartCapture(ms, s, p + 2, kPosition)
                            : StartCapture(ms, s, p + 1, kUnfinished);
        go_on = false;
        break;
      case ')':
        s = EndCapture(ms, s, p + 1);
        go_on = false;
        break;
      case '$':
        if (p + 1 == ms.p_end) {
          s = s == ms.src_end ? s : nullptr;
          go_on = false;
        } else {
          s = MatchItem(ms, s, p, go_on);
        }
        break;
      case '%':
        s = MatchEscape(ms, s, p, go_on);
        break;
      default:
        s = MatchItem(ms, s, p, go_on);
    }
  }
  ms.depth++;
  return s;
}

// Pushes capture i (the whole match when there are none and i is 0).
void PushCapture(MatchState& ms, int i, const char* s, const char* e) {
  if (i >= ms.level) {
    if (i != 0) luaL_error(ms.L, "invalid capture index %%%d", i + 1);
    lua_pushlstring(ms.L, s, static_cast<std::size_t>(e - s));
    return;
  }
  const std::ptrdiff_t length = ms.capture[i].len;
  if (length == kUnfinished) luaL_error(ms.L, "unfinished capture");
  if (length == kPosition) {
    lua_pushinteger(ms.L, ms.capture[i].init - ms.src_init + 1);
  } else {
    lua_pushlstring(ms.L, ms.capture[i].init, static_cast<std::size_t>(length));
  }
}

int PushCaptures(MatchState& ms, const char* s, const char* e) {
  const int count = (ms.level == 0 && s != nullptr) ? 1 : ms.level;
  luaL_checkstack(ms.L, count, "too many captures");
  for (int i = 0; i < count; i++) PushCapture(ms, i, s, e);
  return count;
}

StepMeter* Meter(lua_State* L) {
  return static_cast<StepMeter*>(lua_touserdata(L, lua_upvalueindex(1)));
}

MatchState Prepare(lua_State* L, const char* s, std::size_t ls, const char* p, std::size_t lp) {
  MatchState ms{};
  ms.L = L;
  ms.meter = Meter(L);
  ms.src_init = s;
  ms.src_end = s + ls;
  ms.p_end = p + lp;
  ms.Restart();
  return ms;
}

// A 1-based position, negative from the end, as a 0-based offset.
std::size_t Offset(lua_Integer position, std::size_t length) {
  if (position > 0) return static_cast<std::size_t>(position) - 1;
  if (position == 0 || position < -static_cast<lua_Integer>(length)) return 0;
  return length + static_cast<std::size_t>(position);
}

bool HasSpecials(std::string_view pattern) {
  return pattern.find_first_of(std::string_view("^$*+?.([%-")) != std::string_view::npos;
}

int FindOrMatch(lua_State* L, bool find) {
  std::size_t ls = 0, lp = 0;
  const char* s = luaL_checklstring(L, 1, &ls);
  const char* p = luaL_checklstring(L, 2, &lp);
  const std::size_t init = Offset(luaL_optinteger(L, 3, 1), ls);
  if (init > ls) {
    luaL_pushfail(L);
    return 1;
  }
  if (find && (lua_toboolean(L, 4) != 0 || !HasSpecials(std::string_view(p, lp)))) {
    if (Meter(L) != nullptr) Meter(L)->Charge(L, static_cast<long>((ls - init) / 16));
    const std::size_t at = std::string_view(s, ls).find(std::string_view(p, lp), init);
    if (at == std::string_view::npos) {
      luaL_pushfail(L);
      return 1;
    }
    lua_pushinteger(L, static_cast<lua_Integer>(at) + 1);
    lua_pushinteger(L, static_cast<lua_Integer>(at + lp));
    return 2;
  }
  const bool anchor = *p == '^';
  if (anchor) {
    p++;
    lp--;
  }
  MatchState ms = Prepare(L, s, ls, p, lp);
  const char* start = s + init;
  do {
    ms.Restart();
    if (const char* end = Match(ms, start, p)) {
      if (!find) return PushCaptures(ms, start, end);
      lua_pushinteger(L, start - s + 1);
      lua_pushinteger(L, end - s);
      return PushCaptures(ms, nullptr, nullptr) + 2;
    }
  } while (start++ < ms.src_end && !anchor);
  luaL_pushfail(L);
  return 1;
}

int Find(lua_State* L) {
  return FindOrMatch(L, true);
}

int MatchFunction(lua_State* L) {
  return FindOrMatch(L, false);
}

struct GmatchState {
  const char* src;
  const char* p;
  const char* last_match;
  MatchState ms;
};

int GmatchNext(lua_State* L) {
  auto& gm = *static_cast<GmatchState*>(lua_touserdata(L, lua_upvalueindex(3)));
  gm.ms.L = L;
  for (const char* src = gm.src; src <= gm.ms.src_end; src++) {
    gm.ms.Restart();
    const char* end = Match(gm.ms, src, gm.p);
    if (end != nullptr && end != gm.last_match) {
      gm.src = gm.last_match = end;
      return PushCaptures(gm.ms, src, end);
    }
  }
  return 0;
}

int Gmatch(lua_State* L) {
  std::size_t ls = 0, lp = 0;
  const char* s = luaL_checklstring(L, 1, &ls);
  const char* p = luaL_checklstring(L, 2, &lp);
  std::size_t init = Offset(luaL_optinteger(L, 3, 1), ls);
  if (init > ls) init = ls + 1;  // past the end: no match
  MatchState ms = Prepare(L, s, ls, p, lp);
  // The texts stay alive as the iterator's first two upvalues.
  lua_settop(L, 2);
  auto* gm = static_cast<GmatchState*>(lua_newuserdatauv(L, sizeof(GmatchState), 0));
  *gm = GmatchState{s + init, p, nullptr, ms};
  lua_pushcclosure(L, GmatchNext, 3);
  return 1;
}

// Adds the replacement string with its "%0".."%9" and "%%".
void AddReplacement(MatchState& ms, luaL_Buffer& b, const char* s, const char* e) {
  lua_State* L = ms.L;
  std::size_t length = 0;
  const char* text = lua_tolstring(L, 3, &length);
  const char* end = text + length;
  for (const char* p = text; p < end; p++) {
    if (*p != '%') {
      luaL_addchar(&b, *p);
      continue;
    }
    p++;
    if (p < end && *p == '%') {
      luaL_addchar(&b, '%');
    } else if (p < end && *p == '0') {
      luaL_addlstring(&b, s, static_cast<std::size_t>(e - s));
    } else if (p < end && std::isdigit(Byte(p))) {
      PushCapture(ms, *p - '1', s, e);
      luaL_tolstring(L, -1, nullptr);
      lua_remove(L, -2);
      luaL_addvalue(&b);
    } else {
      luaL_error(L, "invalid use of '%%' in replacement string");
    }
  }
}

// Adds what replaces the match; false when the match stays as it was.
bool AddValue(MatchState& ms, luaL_Buffer& b, const char* s, const char* e, int kind) {
  lua_State* L = ms.L;
  if (kind == LUA_TFUNCTION) {
    lua_pushvalue(L, 3);
    const int count = PushCaptures(ms, s, e);
    lua_call(L, count, 1);
  } else if (kind == LUA_TTABLE) {
    PushCapture(ms, 0, s, e);
    lua_gettable(L, 3);
  } else {
    AddReplacement(ms, b, s, e);
    return true;
  }
  if (lua_toboolean(L, -1) == 0) {
    lua_pop(L, 1);
    luaL_addlstring(&b, s, static_cast<std::size_t>(e - s));
    return false;
  }
  if (lua_isstring(L, -1) == 0) {
    luaL_error(L, "invalid replacement value (a %s)", luaL_typename(L, -1));
  }
  luaL_addvalue(&b);
  return true;
}

int Gsub(lua_State* L) {
  std::size_t ls = 0, lp = 0;
  const char* src = luaL_checklstring(L, 1, &ls);
  const char* p = luaL_checklstring(L, 2, &lp);
  const int kind = lua_type(L, 3);
  const lua_Integer most = luaL_optinteger(L, 4, static_cast<lua_Integer>(ls) + 1);
  luaL_argexpected(
      L, kind == LUA_TNUMBER || kind == LUA_TSTRING || kind == LUA_TFUNCTION || kind == LUA_TTABLE,
      3, "string/function/table");
  const bool anchor = *p == '^';
  if (anchor) {
    p++;
    lp--;
  }
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  MatchState ms = Prepare(L, src, ls, p, lp);
  const char* last_match = nullptr;
  lua_Integer count = 0;
  bool changed = false;
  while (count < most) {
    ms.Restart();
    const char* end = Match(ms, src, p);
    if (end != nullptr && end != last_match) {
      count++;
      changed = AddValue(ms, b, src, end, kind) || changed;
      src = last_match = end;
    } else if (src < ms.src_end) {
      luaL_addchar(&b, *src++);
    } else {
      break;
    }
    if (anchor) break;
  }
  if (!changed) {
    lua_pushvalue(L, 1);
  } else {
    luaL_addlstring(&b, src, static_cast<std::size_t>(ms.src_end - src));
    luaL_pushresult(&b);
  }
  lua_pushinteger(L, count);
  return 2;
}

}  // namespace

void OpenPatterns(lua_State* L, StepMeter* meter) {
  const luaL_Reg functions[] = {
      {"find", Find}, {"match", MatchFunction}, {"gmatch", Gmatch}, {"gsub", Gsub}};
  for (const luaL_Reg& function : functions) {
    lua_pushlightuserdata(L, meter);
    lua_pushcclosure(L, function.func, 1);
    lua_setfield(L, -2, function.name);
  }
}

}  // namespace zelmo
