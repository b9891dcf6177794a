// Channel and user mode changes, parsed by a real client from MODE lines and
// the 324 reply. The client is connected to a loopback server that drops
// what it is sent, so it handles lines as in a session; each input joins a
// fresh channel record with a NAMES list, then the input's mode lines
// follow. The input holds up to three lines: the modes and arguments of a
// channel MODE, of a 324 reply and of a MODE for the own nick; a single line
// is used for all three.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "irc/protocol/irc_line.h"
#include "irc/session/irc_client.h"
#include "irc/session/irc_events.h"
#include "shell/base/convert.h"
#include "support/fuzz_check.h"
#include "support/loopback_peers.h"
#include "support/model_integer.h"

namespace {

using namespace zelmo;

constexpr std::string_view kOwnNick = "fuzzbot";
constexpr std::string_view kChannel = "#fuzz";
constexpr std::string_view kNames = "@fuzzbot @op1 +voiced plain @both+ MiXed";

// What a mode event reported: its kind, and the target's nick or the mask.
struct Event {
  std::string kind;
  bool has_target;
  std::string text;
  bool operator==(const Event&) const = default;
};

// Notes the mode events of one line, checking the records they are given
// against the channel the line is about: a text record could not tell a
// missing record from one without a nick, nor one record from another.
class ModeEvents : public IrcEvents {
 public:
  void Expect(const TIdIRCChannel* channel, std::string channel_name, std::string modes) {
    channel_ = channel;
    channel_name_ = std::move(channel_name);
    modes_ = std::move(modes);
    events.clear();
    channel_mode_events = 0;
  }

  void OnOp(TIdIRCUser* setter, TIdIRCChannel* where, TIdIRCUser* target) override {
    Target("op", setter, where, target);
  }
  void OnDeop(TIdIRCUser* setter, TIdIRCChannel* where, TIdIRCUser* target) override {
    Target("deop", setter, where, target);
  }
  void OnVoice(TIdIRCUser* setter, TIdIRCChannel* where, TIdIRCUser* target) override {
    Target("voice", setter, where, target);
  }
  void OnDevoice(TIdIRCUser* setter, TIdIRCChannel* where, TIdIRCUser* target) override {
    Target("devoice", setter, where, target);
  }
  void OnBan(TIdIRCUser* setter, TIdIRCChannel* where, const std::string& mask) override {
    Mask("ban", setter, where, mask);
  }
  void OnUnban(TIdIRCUser* setter, TIdIRCChannel* where, const std::string& mask) override {
    Mask("unban", setter, where, mask);
  }
  void OnChannelMode(TIdIRCUser*, TIdIRCChannel* where, const std::string& name,
                     const std::string& modes) override {
    FUZZ_CHECK(where == channel_ && name == channel_name_);
    FUZZ_CHECK(modes == modes_);
    ++channel_mode_events;
  }
  void OnUserMode(const std::string& modes) override { user_modes = modes; }
  void OnUserModeChanged() override { ++user_mode_changes; }

  std::vector<Event> events;
  int channel_mode_events = 0;
  std::string user_modes;
  int user_mode_changes = 0;

 private:
  void Target(const char* kind, TIdIRCUser* setter, TIdIRCChannel* where, TIdIRCUser* target) {
    FUZZ_CHECK(setter != nullptr && where == channel_);
    events.push_back(Event{kind, target != nullptr, target ? target->Nick() : ""});
  }
  void Mask(const char* kind, TIdIRCUser* setter, TIdIRCChannel* where, const std::string& mask) {
    FUZZ_CHECK(setter != nullptr && where == channel_);
    events.push_back(Event{kind, false, mask});
  }

  const TIdIRCChannel* channel_ = nullptr;
  std::string channel_name_;
  std::string modes_;
};

struct Session {
  fuzz::DrainServer server;
  ModeEvents events;
  TIdIRC irc;

  Session() {
    irc.Host = "127.0.0.1";
    irc.Port = server.Port();
    // Unpaced and without keepalive, unlike a configured bot.
    irc.SendInterval = 0;
    irc.PingInterval = 0;
    irc.BoundIP = "127.0.0.1";
    irc.SetNick(std::string(kOwnNick));
    irc.SetEvents(events);
    irc.Connect();
  }
};

Session* session = nullptr;

struct ChannelState {
  ChannelModes mode = 0;
  std::string key;
  int limit = 0;
  std::vector<ChannelMember> names;
  std::vector<Event> events;
};

ChannelState StateOf(const TIdIRCChannel& channel) {
  return ChannelState{channel.Mode(), channel.Key(), channel.Limit(), channel.Names(), {}};
}

bool KnownUser(std::string_view nick, std::string_view sender) {
  if (SameText(nick, sender)) return true;
  for (const ChannelMember& member : session->irc.Channels.Find(kChannel)->Names()) {
    if (SameText(member.Nick, nick)) return true;
  }
  return false;
}

// The mode letters of slot first + 1 applied to a channel's state, with the
// events they raise, worked out from the mode rules.
ChannelState ModelChannelModes(ChannelState state, const ParsedLine& line, std::size_t first) {
  const ParamSlots& slots = line.ParamTable;
  std::size_t argument = first + 2;
  auto next = [&]() -> std::string {
    std::string value = argument < kParamSlots ? slots[argument] : std::string();
    ++argument;
    return value;
  };
  bool add = true;
  for (char letter : slots[first + 1]) {
    switch (letter) {
      case '+':
      case '-':
        add = letter == '+';
        break;
      case 'b':
        state.events.push_back(Event{add ? "ban" : "unban", false, next()});
        break;
      case 'k':
        state.mode = add ? (state.mode | cmKey) : (state.mode & ~cmKey);
        state.key = add ? next() : std::string();
        break;
      case 'l':
        state.mode = add ? (state.mode | cmUserLimit) : (state.mode & ~cmUserLimit);
        state.limit = add ? fuzz::ModelInteger(next()).value_or(0) : 0;
        break;
      case 'o':
      case 'v': {
        std::string nick = next();
        const bool known = KnownUser(nick, line.SenderNick);
        const char* kinds[2][2] = {{"devoice", "voice"}, {"deop", "op"}};
        state.events.push_back(Event{kinds[letter == 'o'][add], known, known ? nick : ""});
        const MemberFlags flag = letter == 'o' ? mfOp : mfVoice;
        for (ChannelMember& member : state.names) {
          if (!SameText(member.Nick, nick)) continue;
          member.Flags = add ? (member.Flags | flag) : (member.Flags & ~flag);
          break;
        }
        break;
      }
      default:
        if (ChannelModes flag = ChannelModeFlag(letter)) {
          state.mode = add ? (state.mode | flag) : (state.mode & ~flag);
        }
        break;
    }
  }
  return state;
}

std::string JoinSlots(const ParamSlots& slots, std::size_t first) {
  std::string joined = slots[first];
  for (std::size_t i = first + 1; i < kParamSlots; ++i) {
    if (!slots[i].empty()) joined += " " + slots[i];
  }
  return joined;
}

void CheckChannelLine(const std::string& line, std::size_t first) {
  TIdIRC& irc = session->irc;
  TIdIRCChannel* channel = irc.Channels.Find(kChannel);
  ParsedLine parsed;
  SplitLine(line, parsed);
  const ChannelState expected = ModelChannelModes(StateOf(*channel), parsed, first);

  ModeEvents& seen = session->events;
  seen.Expect(channel, parsed.ParamTable[first], JoinSlots(parsed.ParamTable, first + 1));
  irc.HandleLine(line);

  FUZZ_CHECK(irc.Channels.Find(kChannel) == channel);
  FUZZ_CHECK(seen.channel_mode_events == 1);
  const std::vector<Event>& events = seen.events;
  const ChannelState actual = StateOf(*channel);
  FUZZ_CHECK(actual.mode == expected.mode && actual.mode <= 0xFF);
  FUZZ_CHECK(actual.key == expected.key);
  FUZZ_CHECK(actual.limit == expected.limit);
  FUZZ_CHECK(actual.names.size() == expected.names.size());
  for (std::size_t i = 0; i < actual.names.size(); ++i) {
    FUZZ_CHECK(actual.names[i].Nick == expected.names[i].Nick);
    FUZZ_CHECK(actual.names[i].Flags == expected.names[i].Flags);
  }
  FUZZ_CHECK(events.size() == expected.events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    FUZZ_CHECK(events[i].kind == expected.events[i].kind);
    FUZZ_CHECK(events[i].has_target == expected.events[i].has_target);
    FUZZ_CHECK(SameText(events[i].text, expected.events[i].text));
  }
}

void CheckUserModeLine(const std::string& modes) {
  TIdIRC& irc = session->irc;
  irc.HandleLine(":fuzzbot MODE fuzzbot -iosw");
  FUZZ_CHECK(irc.UserMode() == 0);
  const std::string line = ":fuzzbot MODE fuzzbot " + modes;
  ParsedLine parsed;
  SplitLine(line, parsed);
  TIdIRCUserModes expected = 0;
  bool add = true;
  for (char letter : parsed.ParamTable[3]) {
    TIdIRCUserModes bit = letter == 'i'   ? umInvisible
                          : letter == 'o' ? umOperator
                          : letter == 's' ? umServerNotices
                          : letter == 'w' ? umWallops
                                          : 0;
    if (letter == '+' || letter == '-') add = letter == '+';
    expected = add ? (expected | bit) : (expected & ~bit);
  }
  ModeEvents& seen = session->events;
  seen.user_mode_changes = 0;
  seen.user_modes.clear();
  irc.HandleLine(line);
  FUZZ_CHECK(irc.UserMode() == expected);
  FUZZ_CHECK(seen.user_mode_changes == (expected != 0 ? 1 : 0));
  FUZZ_CHECK(seen.user_modes == parsed.ParamTable[3]);
}

std::vector<std::string> Lines(std::string_view input) {
  std::vector<std::string> lines;
  while (lines.size() < 3) {
    std::size_t lf = input.find('\n');
    lines.emplace_back(input.substr(0, lf));
    if (lf == std::string_view::npos) break;
    input.remove_prefix(lf + 1);
  }
  while (lines.size() < 3) lines.push_back(lines.front());
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  session = new Session();  // lives as long as the process
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TIdIRC& irc = session->irc;
  FUZZ_CHECK(irc.IsLinkUp());
  // A second own JOIN replaces the record, so every input starts afresh.
  irc.HandleLine(":fuzzbot!bot@fuzz.host JOIN #fuzz");
  irc.HandleLine(":irc.fuzz 353 fuzzbot = #fuzz :" + std::string(kNames));
  FUZZ_CHECK(irc.Channels.Count() == 1 && irc.Channels.Find(kChannel)->Names().size() == 6);

  const std::vector<std::string> lines =
      Lines(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckChannelLine(":op1!o@fuzz.host MODE #fuzz " + lines[0], 2);
  CheckChannelLine(":irc.fuzz 324 fuzzbot #fuzz " + lines[1], 3);
  CheckUserModeLine(lines[2]);
  return 0;
}
