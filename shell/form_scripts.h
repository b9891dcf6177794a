#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "channel/http_client.h"
#include "shell/base/ini_file.h"
#include "shell/base/ui_port.h"
#include "shell/form_callbacks.h"
#include "shell/script_settings.h"
#include "shell/scripts/script_engine.h"
#include "users/bot_context.h"

namespace zelmo {

class TIdIRCUser;

// The owner's scripts as the form sees them: it loads the script module when
// [Scripts] Folder is set, runs the scripts' commands after the rights
// checks the bot's own commands make, tells them events, and is the bot as
// the scripts see it. Every line a script sends waits in a lane of the send
// queue of its own, which takes turns with the people's replies behind the
// bot's own lines; a script may have at most [Scripts] QueueLines lines
// waiting there. Runs on the user-interface thread.
class FormScripts : public ScriptHost {
 public:
  // `post` queues work for the user-interface thread while the form lives.
  using Poster = std::function<void(std::function<void()>)>;
  FormScripts(BotContext& bot, UiPort& port, FormCallbacks& form, Poster post);
  ~FormScripts() override;
  FormScripts(const FormScripts&) = delete;
  FormScripts& operator=(const FormScripts&) = delete;

  // The bot's own command words, which no script may take, and the hosts
  // Config.ini names elsewhere, which bot.http_get may reach.
  struct FormFacts {
    std::vector<std::string> reserved_channel;
    std::vector<std::string> reserved_private;
    std::vector<std::string> configured_hosts;
  };
  // Reads [Scripts] and loads the scripts anew, or drops them when the
  // folder is unset. Raises EConfigError for a value it cannot use, before
  // anything changes.
  void Configure(const TIniFile& ini, const std::string& data_folder, FormFacts facts);
  bool Loaded() const { return engine_ != nullptr; }

  // A channel or private command no built-in took; false when no script has
  // it either.
  bool RunChannel(const std::vector<std::string>& parts, const TIdIRCUser& requester,
                  const std::string& channel);
  bool RunPrivate(const std::vector<std::string>& parts, const TIdIRCUser& user);
  std::optional<std::string> Help(const std::string& key) const;
  std::string CommandList() const;

  bool Listens(ScriptEventKind kind) const { return engine_ && engine_->Listens(kind); }
  // Tells the scripts an event, filled in only when one of them listens.
  // The event is filled into one kept record, whose strings keep their
  // room from line to line: a message costs no allocation on this side. A
  // script's call that tells another event (none does so far) gets a record
  // of its own.
  template <class Fill>
  void Tell(ScriptEventKind kind, Fill fill) {
    if (!engine_ || !engine_->Listens(kind)) return;
    if (telling_) {
      ScriptEvent event;
      fill(event);
      engine_->Tell(event);
      return;
    }
    telling_ = true;
    struct Done {
      bool& telling;
      ~Done() { telling = false; }
    } done{telling_};
    fill(scratch_);
    engine_->Tell(scratch_);
  }

  // --- ScriptHost -----------------------------------------------------------
  void Say(const std::string& script, const std::string& target, const std::string& text) override;
  void Notice(const std::string& script, const std::string& target,
              const std::string& text) override;
  void Mode(const std::string& script, const std::string& channel,
            const std::string& modes) override;
  void Kick(const std::string& script, const std::string& channel, const std::string& nick,
            const std::string& reason) override;
  void Reply(const std::string& script, const ScriptCommandCall& call,
             const std::string& text) override;
  void Display(const std::string& text, TextClass text_class) override;
  int Rights(const std::string& address, const std::string& scope) override;
  std::vector<std::string> UsersIn(const std::string& channel) override;
  void HttpGet(const std::string& script, const std::string& url,
               std::function<void(int status, std::string body)> done) override;
  std::unique_ptr<UiTimer> CreateTimer(std::function<void()> on_tick) override;
  std::string StorePath(const std::string& script) override;

 private:
  std::optional<ScriptCommandInfo> FindCommand(ScriptCommandKind kind,
                                               const std::string& word) const;
  // Raises when the script's lane of the send queue is full.
  void CheckShare(const std::string& script) const;
  // Sends one line in the script's lane.
  void SendInLane(const std::string& script, const std::string& line);

  BotContext& bot_;
  UiPort& port_;
  FormCallbacks& form_;
  Poster post_;
  std::string data_folder_;
  ScriptConfig config_;
  std::optional<HttpAllowList> http_allowed_;
  // Made at the first fetch; its threads end when it goes.
  std::unique_ptr<HttpClient> http_;
  // Last: the scripts go before what they use.
  std::unique_ptr<ScriptEngine> engine_;
  ScriptEvent scratch_;
  bool telling_ = false;
};

}  // namespace zelmo
