// Whole server lines through a connected client: every command word and
// numeric reply, CTCP queries and DCC requests, and the channel and user
// records they change. Each input is a short session on a fresh connection
// to a loopback server that drops what the client sends; its lines end at
// line feeds. Event handlers look at every record they are given, so a
// record freed too early shows up, and after each line the lookup indexes
// must agree with a plain scan of the records.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "irc/protocol/irc_line.h"
#include "irc/protocol/message_tags.h"
#include "irc/session/irc_client.h"
#include "shell/base/convert.h"
#include "support/fuzz_check.h"
#include "support/loopback_peers.h"
#include "support/recording_irc_events.h"

namespace {

using namespace zelmo;

constexpr std::size_t kMaxLines = 64;

struct Session {
  fuzz::DrainServer server;
  // Records every event, and so looks at every record an event is given.
  testing::RecordingIrcEvents events;
  TIdIRC irc;

  Session() {
    irc.Host = "127.0.0.1";
    irc.Port = server.Port();
    // Unpaced and without keepalive, unlike a configured bot.
    irc.SendInterval = 0;
    irc.PingInterval = 0;
    irc.BoundIP = "127.0.0.1";
    irc.SetNick("fuzzbot");
    irc.AltNick = "fuzzalt";
    irc.Replies.Version = "ZelmoBot v0.5";
    irc.SetEvents(events);
  }
};

Session* session = nullptr;

// The indexes give what a scan from the front gives: the first record of a
// name, compared without regard to case.
void CheckRecords(const TIdIRC& irc) {
  for (int i = 0; i < irc.Users.Count(); ++i) {
    const TIdIRCUser* user = irc.Users.Items(i);
    FUZZ_CHECK(user->RefCount >= 1);
    int first = i;
    for (int j = 0; j < i; ++j) {
      if (SameText(irc.Users.Items(j)->Nick(), user->Nick())) {
        first = j;
        break;
      }
    }
    FUZZ_CHECK(irc.Users.Find(user->Nick()) == irc.Users.Items(first));
  }
  for (int c = 0; c < irc.Channels.Count(); ++c) {
    const TIdIRCChannel* channel = irc.Channels.Items(c);
    FUZZ_CHECK(irc.Channels.Find(channel->Name()) == channel);  // names are unique
    const std::vector<ChannelMember>& names = channel->Names();
    for (std::size_t i = 0; i < names.size(); ++i) {
      std::size_t first = i;
      for (std::size_t j = 0; j < i; ++j) {
        if (SameText(names[j].Nick, names[i].Nick)) {
          first = j;
          break;
        }
      }
      FUZZ_CHECK(channel->FindUser(names[i].Nick) == static_cast<int>(first));
      FUZZ_CHECK(names[i].Flags <= (mfOp | mfVoice));
    }
  }
  if (const TIdIRCUser* own = irc.OwnUser()) {
    bool held = false;
    for (int i = 0; i < irc.Users.Count(); ++i) held = held || irc.Users.Items(i) == own;
    FUZZ_CHECK(held);
  }
}

std::vector<const TIdIRCUser*> Records(const TIdIRC& irc) {
  std::vector<const TIdIRCUser*> records;
  for (int i = 0; i < irc.Users.Count(); ++i) records.push_back(irc.Users.Items(i));
  return records;
}

bool Contains(const std::vector<const TIdIRCUser*>& records, const TIdIRCUser* user) {
  return std::find(records.begin(), records.end(), user) != records.end();
}

// Between lines only the own record and the nicks of NAMES replies are
// held: a NAMES reply may add records, any other line none, and a record
// a line only used is gone when the line is done.
void CheckHolders(const std::vector<const TIdIRCUser*>& before,
                  const std::vector<const TIdIRCUser*>& after, const std::string& line) {
  ParsedLine parsed;
  SplitLine(SplitMessageTags(line).rest, parsed);
  if (ReplyNumber(parsed.CommandText) == 353) {
    for (const TIdIRCUser* user : before) FUZZ_CHECK(Contains(after, user));
  } else {
    for (const TIdIRCUser* user : after) FUZZ_CHECK(Contains(before, user));
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  session = new Session();  // lives as long as the process
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TIdIRC& irc = session->irc;
  session->events.Clear();
  // Half the inputs negotiate capabilities: tags, accounts, CHGHOST, WHOX.
  irc.RequestsCapabilities = size > 0 && (data[0] & 1) != 0;
  irc.Connect();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (std::size_t count = 0; count < kMaxLines && !input.empty(); ++count) {
    const std::size_t lf = input.find('\n');
    std::string line(input.substr(0, lf));
    input.remove_prefix(lf == std::string_view::npos ? input.size() : lf + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<const TIdIRCUser*> before = Records(irc);
    irc.HandleLine(line);
    CheckRecords(irc);
    CheckHolders(before, Records(irc), line);
  }
  return 0;
}
