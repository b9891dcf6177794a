#pragma once

#include <memory>
#include <string>
#include <vector>

#include "shell/scripts/script_engine.h"

namespace zelmo {

class LuaScript;
struct ScriptShared;

// The scripts of the folder, each in a state of its own.
class LuaEngine : public ScriptEngine {
 public:
  static constexpr std::size_t kMaxScripts = 64;
  static constexpr std::size_t kMaxSourceBytes = std::size_t{1} << 20;

  explicit LuaEngine(ScriptHost& host);
  ~LuaEngine() override;

  void Load(const ScriptSettings& settings) override;
  std::vector<ScriptCommandInfo> Commands() const override;
  void RunCommand(const ScriptCommandInfo& command, const ScriptCommandCall& call,
                  const std::vector<std::string>& parts) override;
  bool Listens(ScriptEventKind kind) const override;
  void Tell(const ScriptEvent& event) override;

  // Closes every script and keeps the settings for the next LoadSource.
  void Reset(const ScriptSettings& settings);
  // Loads one script from its text (a file's, or a test's); false when it
  // failed, after its error line.
  bool LoadSource(const std::string& file_name, const std::string& source);

 private:
  void LoadFolder();

  ScriptHost& host_;
  std::unique_ptr<ScriptShared> shared_;
  std::vector<std::unique_ptr<LuaScript>> scripts_;
};

}  // namespace zelmo
