#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "shell/base/ini_file.h"
#include "shell/scripts/script_engine.h"

namespace zelmo {

// [Scripts] as the form uses it: what the script module is given, and the
// bounds the form keeps itself.
struct ScriptConfig {
  ScriptSettings engine;  // folder empty: scripts are off
  std::size_t queue_lines = 10;
  std::string http_allowed;  // as written: empty, "*" or host names
};

// Reads [Scripts]; the folder is made absolute against the data folder
// (which ends in "/"). Raises EConfigError naming the key for a value it
// cannot use. The reserved command words are left to the caller.
ScriptConfig ReadScriptConfig(const TIniFile& ini, const std::string& data_folder);

// "16M", "512K", "1048576": a size in bytes, from 64 KiB to 1 GiB. Raises
// EConfigError naming [Scripts] MaxMemory.
std::size_t ScriptMemoryBytes(std::string_view text);

}  // namespace zelmo
