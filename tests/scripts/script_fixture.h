#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scripts/fake_script_host.h"
#include "shell/scripts/lua/lua_engine.h"
#include "support/temp_dir.h"

namespace zelmo::testing {

// An engine on a fake host, with a temporary data folder for the stores
// and a scripts' folder inside it.
class ScriptTest : public ::testing::Test {
 protected:
  ScriptTest() {
    settings.folder = dir.Path() + "scripts-in";
    std::filesystem::create_directories(settings.folder);
  }

  // Forgets what the host was asked, for the next row of a table.
  void ClearHost() {
    host.calls.clear();
    host.errors.clear();
    host.shown.clear();
    host.fetches.clear();
  }

  // Loads the text as the only script, "t.lua".
  bool LoadOnly(const std::string& source, const std::string& name = "t.lua") {
    engine.Reset(settings);
    return engine.LoadSource(name, source);
  }

  const ScriptCommandInfo* FindCommand(const std::string& name) {
    commands = engine.Commands();
    for (const ScriptCommandInfo& command : commands) {
      if (command.name == name) return &command;
    }
    return nullptr;
  }

  // Runs a command as ann in #c (or privately), the line cut at each space.
  void Run(const std::string& line, const std::string& channel = "#c") {
    std::vector<std::string> parts;
    std::size_t start = 0;
    const char separator = channel.empty() ? ';' : ' ';
    for (std::size_t end; (end = line.find(separator, start)) != std::string::npos;
         start = end + 1) {
      parts.push_back(line.substr(start, end - start));
    }
    parts.push_back(line.substr(start));
    const ScriptCommandInfo* command = FindCommand(parts.front());
    ASSERT_NE(command, nullptr) << parts.front();
    ScriptCommandCall call{channel, "ann", "ann!a@host", "annacct", channel.empty() ? 0 : 2};
    engine.RunCommand(*command, call, parts);
  }

  void Tell(ScriptEventKind kind, const std::string& channel, const std::string& nick,
            const std::string& text = {}, const std::string& target = {}) {
    ScriptEvent event;
    event.kind = kind;
    event.channel = channel;
    event.nick = nick;
    event.address = nick + "!u@h";
    event.text = text;
    event.target = target;
    engine.Tell(event);
  }

  TempDir dir;
  FakeScriptHost host{dir.Path()};
  LuaEngine engine{host};
  ScriptSettings settings;
  std::vector<ScriptCommandInfo> commands;
};

}  // namespace zelmo::testing
