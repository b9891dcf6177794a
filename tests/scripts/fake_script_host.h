#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "shell/base/errors.h"
#include "shell/scripts/script_engine.h"

namespace zelmo::testing {

// A ScriptHost that writes each call down as one line of text ("say
// seen.lua #c hello"), keeps the timers and web fetches for the test to
// fire, and refuses a target named "#refused" the way the bot would. Like
// the bot's own queues and display it keeps a bounded record (the first
// kMaxRecords calls of each kind), so a script that calls in a loop cannot
// grow it without end.
class FakeScriptHost : public ScriptHost {
 public:
  struct Timer : UiTimer {
    Timer(FakeScriptHost& host, std::function<void()> tick) : host(host), tick(std::move(tick)) {}
    ~Timer() override { std::erase(host.timers, this); }
    void SetInterval(int milliseconds) override { interval = milliseconds; }
    void SetEnabled(bool on) override { enabled = on; }
    bool Enabled() const override { return enabled; }
    FakeScriptHost& host;
    std::function<void()> tick;
    int interval = 0;
    bool enabled = false;
  };
  struct Fetch {
    std::string script;
    std::string url;
    std::function<void(int, std::string)> done;
  };

  static constexpr std::size_t kMaxRecords = 1000;
  static constexpr std::size_t kMaxRecordBytes = 4096;

  explicit FakeScriptHost(std::string store_folder = {}) : store_folder(std::move(store_folder)) {}

  void Say(const std::string& script, const std::string& target, const std::string& text) override {
    Refuse(target);
    Record(calls, "say " + script + " " + target + " " + text);
  }
  void Notice(const std::string& script, const std::string& target,
              const std::string& text) override {
    Refuse(target);
    Record(calls, "notice " + script + " " + target + " " + text);
  }
  void Mode(const std::string& script, const std::string& channel,
            const std::string& modes) override {
    Refuse(channel);
    Record(calls, "mode " + script + " " + channel + " " + modes);
  }
  void Kick(const std::string& script, const std::string& channel, const std::string& nick,
            const std::string& reason) override {
    Refuse(channel);
    Record(calls, "kick " + script + " " + channel + " " + nick + " " + reason);
  }
  void Reply(const std::string& script, const ScriptCommandCall& call,
             const std::string& text) override {
    Record(calls, "reply " + script + " " + (call.channel.empty() ? call.nick : call.channel) +
                      " " + text);
  }
  void Display(const std::string& text, TextClass text_class) override {
    Record(text_class == Errorous ? errors : shown, text);
  }
  int Rights(const std::string& address, const std::string& scope) override {
    Record(calls, "rights " + address + " " + scope);
    return 3;
  }
  std::vector<std::string> UsersIn(const std::string& channel) override {
    return channel == "#c" ? std::vector<std::string>{"ann", "bob"} : std::vector<std::string>{};
  }
  void HttpGet(const std::string& script, const std::string& url,
               std::function<void(int status, std::string body)> done) override {
    if (url.rfind("http", 0) != 0) throw Exception("the URL is refused");
    if (fetches.size() < kMaxRecords) fetches.push_back({script, url, std::move(done)});
  }
  std::unique_ptr<UiTimer> CreateTimer(std::function<void()> on_tick) override {
    auto timer = std::make_unique<Timer>(*this, std::move(on_tick));
    timers.push_back(timer.get());
    return timer;
  }
  std::string StorePath(const std::string& script) override {
    if (refuse_store) throw Exception("cannot make the store's folder");
    return store_folder.empty() ? std::string() : store_folder + "scripts/" + script + ".ini";
  }

  // Fires every enabled timer once, in the order they were made.
  void FireTimers() {
    std::vector<Timer*> due;
    for (Timer* timer : timers) {
      if (timer->enabled) due.push_back(timer);
    }
    for (Timer* timer : due) {
      if (std::find(timers.begin(), timers.end(), timer) != timers.end() && timer->enabled) {
        std::function<void()> tick = timer->tick;
        tick();
      }
    }
  }

  std::string store_folder;
  bool refuse_store = false;
  std::vector<std::string> calls;
  std::vector<std::string> shown;
  std::vector<std::string> errors;
  std::vector<Timer*> timers;
  std::vector<Fetch> fetches;

 private:
  static void Record(std::vector<std::string>& record, const std::string& text) {
    if (record.size() < kMaxRecords) record.push_back(text.substr(0, kMaxRecordBytes));
  }
  static void Refuse(const std::string& target) {
    if (target == "#refused") throw Exception("the bot is not in #refused");
  }
};

}  // namespace zelmo::testing
