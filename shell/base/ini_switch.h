#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "shell/base/ini_file.h"

namespace zelmo {

// The on/off keys of Config.ini beyond the classic two (KickOnColors and
// AutoVoice, which read as numbers) are switches. A switch takes 1/0,
// yes/no, true/false or on/off in any letter case; nothing else, the empty
// text included, is one.
std::optional<bool> ParseSwitch(std::string_view text);

// Why the text is none: "'maybe' is not a switch (1/0, yes/no, ...)".
std::string NotASwitch(std::string_view text);

// The switch, or the default when the key is absent. Any other value raises
// Exception "[Me] TLS: 'maybe' is not a switch (1/0, yes/no, true/false,
// on/off)", which stops the load like a bad colour: a mistyped TLS=yes must
// never quietly mean the default and send the passwords in clear text.
bool ReadSwitch(const TIniFile& ini, std::string_view section, std::string_view key,
                bool default_value);

}  // namespace zelmo
