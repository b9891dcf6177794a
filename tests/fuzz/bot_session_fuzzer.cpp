// Server lines through the whole bot: the IRC client's events and the main
// form's reactions to them (private and channel commands, auto-voice, kick
// on colours, re-op after a deop, ban handling, nick changes, kicks). Each
// input is a session on a fresh connection to a loopback server that drops
// what the bot sends, with a fresh user file; its lines end at line feeds.
// Work the bot hands to its user-interface thread runs after each line.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "shell/base/ui_port.h"
#include "shell/mainunit.h"
#include "support/fuzz_check.h"
#include "support/loopback_peers.h"
#include "support/scratch_folder.h"

namespace {

using namespace zelmo;

constexpr std::size_t kMaxLines = 48;

// A toolkit without a window: posted functions wait in a queue until the
// fuzzer, as the user-interface thread, runs them.
class QueuePort : public UiPort {
 public:
  void AppendDisplayLine(const std::string&, TColor) override {}
  void ClearDisplay() override {}
  void SetDisplayBackground(TColor) override {}
  void SetDisplayFont(const std::string&) override {}
  void SetDisplayMaxLines(int) override {}
  void SetCaption(const std::string&) override {}
  bool Question(const std::string&, const std::string&) override { return true; }
  void ErrorBox(const std::string&, const std::string&) override {}
  void Balloon(const std::string&, const std::string&, BalloonIcon, int) override {}
  std::unique_ptr<UiTimer> CreateTimer(std::function<void()>) override {
    return std::make_unique<IdleTimer>();
  }
  void PostToUiThread(std::function<void()> task) override {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  void RequestClose() override {}
  bool OnUiThread() const override { return std::this_thread::get_id() == ui_thread_; }

  // Runs what is posted until `done` holds, for at most five seconds: the
  // connect runs on a thread of its own and posts its end.
  bool PumpUntil(const std::function<bool()>& done) {
    for (int round = 0; round < 5000 && !done(); ++round) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      Pump();
    }
    return done();
  }

  // Runs what was posted, also what that posts in turn, up to a bound.
  void Pump() {
    for (int ran = 0; ran < 1000; ++ran) {
      std::function<void()> task;
      {
        std::lock_guard lock(mutex_);
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

 private:
  // The timer never ticks: reconnects and rejoins wait for a later input,
  // which starts a new session anyway.
  class IdleTimer : public UiTimer {
   public:
    void SetInterval(int) override {}
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool Enabled() const override { return enabled_; }

   private:
    bool enabled_ = false;
  };

  std::mutex mutex_;
  std::deque<std::function<void()>> tasks_;
  std::thread::id ui_thread_ = std::this_thread::get_id();
};

// The main form, without the pauses that pace its answers.
class FuzzForm : public TMainForm {
 public:
  using TMainForm::TMainForm;
  void Pause(int) override {}
  // Nothing the bot sends may split into two lines on the wire.
  void OnSend(const std::string& line) override {
    FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
  }
};

void WriteFile(const std::string& path, std::string_view content) {
  const std::string fresh = path + ".new";
  {
    std::ofstream file(fresh, std::ios::binary | std::ios::trunc);
    file << content;
    FUZZ_CHECK(file.good());
  }
  FUZZ_CHECK(std::rename(fresh.c_str(), path.c_str()) == 0);
}

constexpr std::string_view kUsers =
    "[boss]\nPassword=secret\nHostmask=boss@owner.host\nRights_General=2\nRights_#room=4\n\n"
    "[helper]\nPassword=helper\nRights_General=1\nRights_#room=2\n\n"
    "[voiced]\nPassword=v\nRights_General=0\nRights_#room=1\n\n"
    "[Address]\nboss@owner.host=boss\nhelp@helper.host=helper\nv@voiced.host=voiced\n";

struct Session {
  fuzz::DrainServer server;
  std::string folder = fuzz::MakeScratchFolder("zelmo-fuzz-session") + "/";
  QueuePort port;
  std::unique_ptr<FuzzForm> form;

  Session() {
    WriteFile(folder + "Config.ini",
              "[General]\nSecurity password=fuzzpw\nKickOnColors=1\nAutoVoice=1\n\n"
              "[Me]\nNick=ZelmoBot\nIRCHost=127.0.0.1\nPort=" +
                  std::to_string(server.Port()) + "\n");
    form =
        std::make_unique<FuzzForm>(port, folder, LookupEnvironment{"127.0.0.1:1", "127.0.0.1:1"});
    form->IRC.BoundIP = "127.0.0.1";
  }
};

Session* session = nullptr;

void Handle(const std::string& line) {
  session->form->IRC.HandleLine(line);
  session->port.Pump();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  session = new Session();  // lives as long as the process
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzForm& form = *session->form;
  WriteFile(session->folder + "Users.ini", kUsers);
  form.UserInputEntered("CONNECT");
  FUZZ_CHECK(session->port.PumpUntil([&form] { return form.IRC.IsLinkUp(); }));
  Handle(":irc.fuzz 001 ZelmoBot :Welcome");
  Handle(":ZelmoBot!bot@bot.host JOIN #room");
  Handle(":irc.fuzz 353 ZelmoBot = #room :@ZelmoBot @boss helper +voiced guest");

  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (std::size_t count = 0; count < kMaxLines && !input.empty(); ++count) {
    const std::size_t lf = input.find('\n');
    std::string line(input.substr(0, lf));
    input.remove_prefix(lf == std::string_view::npos ? input.size() : lf + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Handle(line);
  }
  return 0;
}
