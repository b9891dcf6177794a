#include "irc/protocol/incoming_messages.h"

#include <array>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include "irc/protocol/ctcp.h"

namespace zelmo {

namespace {

using namespace incoming;

// Slot n of the split line holds parameter n - 1 (irc_line.h).
const std::string& Param(const ParsedLine& line, std::size_t number) {
  return line.ParamTable[number + 1];
}

IncomingMessage DecodePrivmsg(const ParsedLine& line) {
  // A server's own query (no nick in its prefix) has nobody to answer, as a
  // reply to an empty target is refused: it goes on as the message it is.
  if (!line.SenderNick.empty()) {
    if (auto ctcp = ParseCtcp(Param(line, 2))) {
      return CtcpQuery{Param(line, 1), std::move(ctcp->Command), std::move(ctcp->Arguments)};
    }
  }
  return Privmsg{Param(line, 1), Param(line, 2)};
}

IncomingMessage DecodeNotice(const ParsedLine& line) {
  if (auto ctcp = ParseCtcp(Param(line, 2))) {
    return CtcpReply{Param(line, 1), std::move(ctcp->Command), std::move(ctcp->Arguments)};
  }
  return Notice{Param(line, 1), Param(line, 2)};
}

// A target that is no channel is a nick: its modes are user modes.
IncomingMessage DecodeMode(const ParsedLine& line) {
  const std::string& target = Param(line, 1);
  if (!IsChannelName(target)) return incoming::UserMode{target, Param(line, 2)};
  const auto arguments = std::span<const std::string>(line.ParamTable).subspan(4);
  return incoming::Mode{target, JoinSlots(line.ParamTable, 3),
                        ParseChannelModes(Param(line, 2), arguments)};
}

// "*" (and nothing) is how a server says the sender has no account.
IncomingMessage DecodeAccount(const ParsedLine& line) {
  const std::string& account = Param(line, 1);
  if (account.empty() || account == "*") return Account{};
  return Account{account};
}

IncomingMessage DecodeAway(const ParsedLine& line) {
  if (line.ParamTable[2].empty()) return Away{};
  return Away{Param(line, 1)};
}

using Decoder = IncomingMessage (*)(const ParsedLine&);

constexpr std::array<std::pair<std::string_view, Decoder>, 19> kCommands = {{
    {"PRIVMSG", DecodePrivmsg},
    {"NOTICE", DecodeNotice},
    {"JOIN",
     [](const ParsedLine& l) -> IncomingMessage {
       return Join{Param(l, 1), Param(l, 2), Param(l, 3)};
     }},
    {"ACCOUNT", DecodeAccount},
    {"CHGHOST",
     [](const ParsedLine& l) -> IncomingMessage {
       return Chghost{Param(l, 1), Param(l, 2)};
     }},
    {"AWAY", DecodeAway},
    {"PART",
     [](const ParsedLine& l) -> IncomingMessage {
       return Part{Param(l, 1), Param(l, 2)};
     }},
    {"KICK",
     [](const ParsedLine& l) -> IncomingMessage {
       return Kick{Param(l, 1), Param(l, 2), Param(l, 3)};
     }},
    {"MODE", DecodeMode},
    {"NICK", [](const ParsedLine& l) -> IncomingMessage { return Nick{Param(l, 1)}; }},
    {"QUIT", [](const ParsedLine& l) -> IncomingMessage { return Quit{Param(l, 1)}; }},
    {"INVITE",
     [](const ParsedLine& l) -> IncomingMessage {
       return Invite{Param(l, 1), Param(l, 2)};
     }},
    {"KILL",
     [](const ParsedLine& l) -> IncomingMessage {
       return Kill{Param(l, 1), Param(l, 2)};
     }},
    {"PING", [](const ParsedLine& l) -> IncomingMessage { return Ping{Param(l, 1)}; }},
    {"WALLOPS", [](const ParsedLine& l) -> IncomingMessage { return Wallops{Param(l, 1)}; }},
    {"TOPIC",
     [](const ParsedLine& l) -> IncomingMessage {
       return Topic{Param(l, 1), Param(l, 2)};
     }},
    {"ERROR", [](const ParsedLine& l) -> IncomingMessage { return ServerError{Param(l, 1)}; }},
    // The capability and SASL lines have words of their own (capabilities.h).
    {"CAP",
     [](const ParsedLine& l) -> IncomingMessage {
       return Cap{ParseCapReply(l.LineContent).value_or(CapReply{})};
     }},
    {"AUTHENTICATE",
     [](const ParsedLine& l) -> IncomingMessage {
       return Authenticate{ParseAuthenticate(l.LineContent)};
     }},
}};

IncomingMessage DecodeCommand(const ParsedLine& line) {
  for (const auto& [word, decode] : kCommands) {
    if (word == line.CommandText) return decode(line);
  }
  // ":alice!al@host AWAY" has no blank after its word, so the split finds
  // no command word in it; from a person it is away-notify's "back".
  if (line.CommandText.empty() && !line.SenderNick.empty() && line.LineContent == "AWAY") {
    return Away{};
  }
  return Unknown{};
}

}  // namespace

IncomingMessage DecodeMessage(const ParsedLine& line) {
  const std::optional<int> number = ReplyNumber(line.CommandText);
  if (!number) return DecodeCommand(line);
  return std::visit([](auto&& reply) -> IncomingMessage { return std::move(reply); },
                    DecodeNumeric(*number, line));
}

std::optional<int> ReplyNumberOf(const IncomingMessage& message) {
  return std::visit(
      [](const auto& decoded) -> std::optional<int> {
        if constexpr (std::is_base_of_v<NumericReply, std::decay_t<decltype(decoded)>>) {
          return decoded.number;
        } else {
          return std::nullopt;
        }
      },
      message);
}

}  // namespace zelmo
