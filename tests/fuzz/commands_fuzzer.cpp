// Private and channel commands as people on IRC send them, run against a
// small user file. Each input line is one command: a line beginning with
// "!" goes to the channel dispatcher in #room, any other line to the private
// dispatcher; lines alternate between the logged-in owner and a stranger.
// A command may fail with one of the bot's own errors (the caller drops
// those); any other failure, a sanitizer report or a line that could put a
// second command on the wire is a fault.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "channel/chanmsg.h"
#include "shell/base/errors.h"
#include "support/fuzz_bot.h"
#include "support/fuzz_check.h"
#include "users/privmsg.h"

namespace {

using namespace zelmo;

constexpr std::size_t kMaxCommands = 16;

constexpr std::string_view kUsers =
    "[boss]\n"
    "Password=secret\n"
    "Hostmask=boss@owner.host\n"
    "Rights_General=2\n"
    "Rights_#room=4\n"
    "\n"
    "[helper]\n"
    "Password=helper\n"
    "Rights_General=1\n"
    "Rights_#room=2\n"
    "\n"
    "[Address]\n"
    "boss@owner.host=boss\n";

struct Session {
  fuzz::FuzzBot bot;
  std::shared_ptr<TIdIRCUser> owner;
  std::shared_ptr<TIdIRCUser> stranger;

  Session() {
    TIdIRC& irc = bot.irc;
    irc.HandleLine(":ZelmoBot!bot@bot.host JOIN #room");
    irc.HandleLine(":irc.fuzz 353 ZelmoBot = #room :@ZelmoBot @boss +guest helper");
    owner = irc.Users.AddRef("boss", "boss@owner.host");
    stranger = irc.Users.AddRef("guest", "guest@other.host");
  }
};

Session* session = nullptr;

// A new file in the old one's place, so the user file cache sees a new
// file whatever the last input left there.
void WriteUsers(const std::string& path) {
  const std::string fresh = path + ".new";
  {
    std::ofstream file(fresh, std::ios::binary | std::ios::trunc);
    file << kUsers;
    FUZZ_CHECK(file.good());
  }
  FUZZ_CHECK(std::rename(fresh.c_str(), path.c_str()) == 0);
}

void Run(const std::string& line, const TIdIRCUser& user) {
  try {
    if (!line.empty() && line[0] == '!') {
      DispatchChannel(session->bot, line, "#room", user);
    } else {
      DispatchPrivate(session->bot, line, user);
    }
  } catch (const Exception&) {
    // A failed command ends without an answer, as the message handler does.
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  session = new Session();  // lives as long as the process
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzBot& bot = session->bot;
  WriteUsers(bot.UsersFilePath());
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (std::size_t count = 0; count < kMaxCommands && !input.empty(); ++count) {
    const std::size_t lf = input.find('\n');
    const std::string line(input.substr(0, lf));
    input.remove_prefix(lf == std::string_view::npos ? input.size() : lf + 1);
    Run(line, count % 2 == 0 ? *session->owner : *session->stranger);
    FUZZ_CHECK(bot.irc.ConnectionState() == stConnected);
  }
  return 0;
}
