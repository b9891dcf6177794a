#pragma once

#include <string>
#include <string_view>

namespace zelmo {

// The line-level rules of INI text: blanks are space and tab (TrimBlanks), a
// value may be wrapped in one pair of quotes so that its own blanks and
// quotes survive.

// The value as a reader sees it: blanks around it dropped, then one enclosing
// pair of matching quotes (" or ') dropped.
std::string_view DecodeValue(std::string_view raw);

// The text to put after "=" so that DecodeValue gives the value back.
std::string EncodeValue(std::string_view value);

// Whether a name or value can be written so that it reads back the same.
bool IsStorableSection(std::string_view name);
bool IsStorableKey(std::string_view name);
bool IsStorableValue(std::string_view value);

}  // namespace zelmo
