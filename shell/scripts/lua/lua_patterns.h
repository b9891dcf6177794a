#pragma once

#include "lua.hpp"

namespace zelmo {

// Takes the steps a library function spends inside one call, so that the
// step budget bounds them as it bounds the script's own instructions. It
// raises the script's step error when the budget is spent.
class StepMeter {
 public:
  virtual void Charge(lua_State* L, long steps) = 0;

 protected:
  ~StepMeter() = default;
};

// Puts find, match, gmatch and gsub into the table on top of the stack:
// Lua's own pattern matching, whose work is counted by the meter (none: not
// counted). Lua's library versions run to their end inside one instruction,
// and a pattern with a few ".-" over a long text can take hours.
void OpenPatterns(lua_State* L, StepMeter* meter);

}  // namespace zelmo
