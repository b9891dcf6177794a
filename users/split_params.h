#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelmo {

// Cuts a command at every separator: "a;;b" gives a, an empty part and b; a
// trailing separator gives an empty last part; an empty text gives one empty
// part. Nothing is trimmed or merged. The pieces are appended to parts.
void SplitParams(std::string_view text, std::string_view separator,
                 std::vector<std::string>& parts);
std::vector<std::string> SplitParams(std::string_view text, std::string_view separator);

}  // namespace zelmo
