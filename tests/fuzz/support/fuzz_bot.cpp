#include "support/fuzz_bot.h"

#include "support/fuzz_check.h"
#include "support/scratch_folder.h"

namespace zelmo::fuzz {

namespace {

class SilentTimer : public UiTimer {
 public:
  void SetInterval(int) override {}
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  bool Enabled() const override { return enabled_; }

 private:
  bool enabled_ = false;
};

}  // namespace

std::unique_ptr<UiTimer> SilentPort::CreateTimer(std::function<void()>) {
  return std::make_unique<SilentTimer>();
}

FuzzBot::FuzzBot() : folder(MakeScratchFolder("zelmo-fuzz-bot")) {
  irc.Host = "127.0.0.1";
  irc.Port = server.Port();
  // Unpaced and without keepalive, unlike a configured bot.
  irc.SendInterval = 0;
  irc.PingInterval = 0;
  irc.BoundIP = "127.0.0.1";
  irc.SetNick("ZelmoBot");
  irc.SetEvents(*this);
  irc.Connect();
  irc.HandleLine(":irc.fuzz 001 ZelmoBot :Welcome");
  FUZZ_CHECK(irc.ConnectionState() == stConnected);
}

FuzzBot::~FuzzBot() {
  irc.Stop();
}

void FuzzBot::OnSend(const std::string& line) {
  FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
}

}  // namespace zelmo::fuzz
