#include "shell/scripts/lua/lua_engine.h"

#include <algorithm>
#include <filesystem>

#include "shell/base/ini_disk.h"
#include "shell/scripts/lua/lua_script.h"

namespace zelmo {

namespace {

// The folder's scripts by name: plain files ending in ".lua", not disabled.
std::vector<std::string> ScriptFiles(const ScriptSettings& settings, std::string& failure) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator entries(settings.folder, error);
  for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
    const std::string name = entries->path().filename().string();
    std::error_code ignored;
    if (name.size() <= 4 || name.substr(name.size() - 4) != ".lua" ||
        !entries->is_regular_file(ignored)) {
      continue;
    }
    if (std::find(settings.disabled.begin(), settings.disabled.end(), name) ==
        settings.disabled.end()) {
      names.push_back(name);
    }
  }
  if (error) failure = error.message();
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

LuaEngine::LuaEngine(ScriptHost& host) : host_(host) {
  Reset(ScriptSettings{});
}

LuaEngine::~LuaEngine() {
  scripts_.clear();
}

void LuaEngine::Reset(const ScriptSettings& settings) {
  scripts_.clear();
  shared_ = std::make_unique<ScriptShared>(ScriptShared{host_, settings, {}, {}});
}

void LuaEngine::Load(const ScriptSettings& settings) {
  Reset(settings);
  if (!settings.folder.empty()) LoadFolder();
}

void LuaEngine::LoadFolder() {
  const std::string& folder = shared_->settings.folder;
  std::string failure;
  std::vector<std::string> names = ScriptFiles(shared_->settings, failure);
  if (!failure.empty()) {
    host_.Display("Scripts: cannot read the folder " + folder + ": " + failure, Errorous);
  }
  if (names.size() > kMaxScripts) {
    host_.Display("Scripts: only the first " + std::to_string(kMaxScripts) + " scripts of " +
                      folder + " are loaded",
                  Errorous);
    names.resize(kMaxScripts);
  }
  for (const std::string& name : names) {
    FileContent file = ReadFile(folder + "/" + name);
    if (file.state != FileState::kReadable) {
      host_.Display(ScriptLine(name, "cannot read the file"), Errorous);
    } else if (file.bytes.size() > kMaxSourceBytes) {
      host_.Display(ScriptLine(name, "the file is larger than " + SizeText(kMaxSourceBytes)),
                    Errorous);
    } else {
      LoadSource(name, file.bytes);
    }
  }
}

bool LuaEngine::LoadSource(const std::string& file_name, const std::string& source) {
  std::unique_ptr<LuaScript> script;
  try {
    script = std::make_unique<LuaScript>(*shared_, file_name);
  } catch (const Exception& error) {  // the host could not give the store's file
    host_.Display(ScriptLine(file_name, error.Message()), Errorous);
    return false;
  }
  if (!script->Load(source)) return false;  // its commands and handlers go with it
  scripts_.push_back(std::move(script));
  return true;
}

std::vector<ScriptCommandInfo> LuaEngine::Commands() const {
  return shared_->commands;
}

void LuaEngine::RunCommand(const ScriptCommandInfo& command, const ScriptCommandCall& call,
                           const std::vector<std::string>& parts) {
  for (const auto& script : scripts_) {
    if (script->Name() == command.script) {
      script->RunCommand(command, call, parts);
      return;
    }
  }
}

bool LuaEngine::Listens(ScriptEventKind kind) const {
  return shared_->listeners[static_cast<std::size_t>(kind)] > 0;
}

void LuaEngine::Tell(const ScriptEvent& event) {
  if (!Listens(event.kind)) return;
  for (const auto& script : scripts_) {
    if (script->Listens(event.kind)) script->Tell(event);
  }
}

}  // namespace zelmo
