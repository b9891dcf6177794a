#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/base/display_entry.h"
#include "shell/base/ui_port.h"

// The owner's scripts run in a module that the bot loads only when
// [Scripts] Folder is set, so a bot without scripts maps no interpreter. The
// form sees the scripts only through ScriptEngine; the scripts see the bot
// only through ScriptHost. Every call either way is made on the
// user-interface thread.

namespace zelmo {

// [Scripts], decoded once per load.
struct ScriptSettings {
  std::string folder;                              // absolute; empty: no scripts
  std::vector<std::string> disabled;               // file names as listed, "a.lua"
  std::int64_t max_steps = 10'000'000;             // VM instructions per call
  std::size_t max_memory = std::size_t{16} << 20;  // bytes per script
  // The bot's own command words, which no script may take: "!kick", "help".
  std::vector<std::string> reserved_channel_commands;
  std::vector<std::string> reserved_private_commands;
};

enum class ScriptCommandKind { Channel, Private };

// A command a script has registered with bot.command or bot.private.
struct ScriptCommandInfo {
  ScriptCommandKind kind = ScriptCommandKind::Channel;
  std::string script;  // file name, "seen.lua"
  std::string name;    // "!seen" for a channel command, "uptime" for a private one
  int rights = 0;      // the level the requester needs
  int params = 0;      // private: the least number of parts, command word included
  std::string help;
};

// Who runs a command, and where. The host has checked the rights already.
struct ScriptCommandCall {
  std::string channel;  // empty for a private command
  std::string nick;
  std::string address;  // nick!user@host
  std::string account;  // empty when not logged in to services or unknown
  int level = -1;       // the requester's level in the channel (GENERAL for a private command)
};

enum class ScriptEventKind {
  Join,
  Part,
  Quit,
  Kick,
  Nick,
  Message,
  Action,
  Mode,
  Connected,
  Disconnected
};
inline constexpr std::size_t kScriptEventKinds = 10;

// An event told to the scripts. A field an event has no use for stays empty.
struct ScriptEvent {
  ScriptEventKind kind = ScriptEventKind::Message;
  std::string channel;  // join, part, kick, message, action, mode (a channel target)
  std::string nick;     // who did it (mode: who set it; may be a server name)
  std::string address;  // nick!user@host, when known
  std::string account;
  std::string text;    // message, action, part/quit/kick reason
  std::string target;  // kick: who was kicked; nick: the new nick; message/action to the bot: the
                       // bot's nick
  std::string modes;   // mode: the mode string with its parameters
};

// What scripts may ask of the bot. Lines to IRC go through the paced queue
// and the 512-byte fit; each script has its own share of the queue, and a
// call past it raises Exception with the reason, as does a refused target,
// channel or URL.
class ScriptHost {
 public:
  virtual ~ScriptHost() = default;
  virtual void Say(const std::string& script, const std::string& target,
                   const std::string& text) = 0;
  virtual void Notice(const std::string& script, const std::string& target,
                      const std::string& text) = 0;
  virtual void Mode(const std::string& script, const std::string& channel,
                    const std::string& modes) = 0;
  virtual void Kick(const std::string& script, const std::string& channel, const std::string& nick,
                    const std::string& reason) = 0;
  // A command's answer: to the channel, or to the person for a private
  // command, the way the bot's own commands answer.
  virtual void Reply(const std::string& script, const ScriptCommandCall& call,
                     const std::string& text) = 0;
  virtual void Display(const std::string& text, TextClass text_class) = 0;
  // RightsLevel's answer for the address in the scope (a channel or "GENERAL").
  virtual int Rights(const std::string& address, const std::string& scope) = 0;
  // The nicks the bot sees in the channel; empty when it is not in it.
  virtual std::vector<std::string> UsersIn(const std::string& channel) = 0;
  // Fetches the URL off the user-interface thread; `done` runs later on it
  // with the HTTP status and body, or with status 0 and the reason when the
  // fetch failed. Raises at once when the URL is refused.
  virtual void HttpGet(const std::string& script, const std::string& url,
                       std::function<void(int status, std::string body)> done) = 0;
  virtual std::unique_ptr<UiTimer> CreateTimer(std::function<void()> on_tick) = 0;
  // The file of the script's bot.store: <data folder>/scripts/<name>.ini.
  virtual std::string StorePath(const std::string& script) = 0;
};

// The loaded scripts.
class ScriptEngine {
 public:
  virtual ~ScriptEngine() = default;
  // Closes every script's state and loads the folder anew, in name order.
  // A script that fails to load is one Errorous line with its file and line;
  // the others load. Never raises for a script's fault.
  virtual void Load(const ScriptSettings& settings) = 0;
  virtual std::vector<ScriptCommandInfo> Commands() const = 0;
  // Runs a registered command; `parts` is the message split as the bot's
  // own commands split it, the command word first.
  virtual void RunCommand(const ScriptCommandInfo& command, const ScriptCommandCall& call,
                          const std::vector<std::string>& parts) = 0;
  // Whether any script listens to the kind, so the form builds no event
  // that nobody hears.
  virtual bool Listens(ScriptEventKind kind) const = 0;
  virtual void Tell(const ScriptEvent& event) = 0;
};

}  // namespace zelmo

extern "C" {
using ZelmoMakeScriptEngine = zelmo::ScriptEngine*(zelmo::ScriptHost* host);
}

namespace zelmo {
inline constexpr const char* kScriptEngineSymbol = "zelmobot_make_script_engine";
inline constexpr const char* kScriptModuleFile = "libzelmobot_lua.so";
}  // namespace zelmo
