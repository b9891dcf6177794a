#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "irc/protocol/capabilities.h"
#include "irc/protocol/irc_line.h"
#include "irc/protocol/mode_changes.h"
#include "irc/protocol/numeric_replies.h"

// Every received line read once into what it says: a command word gives one
// of the messages below, a number one of the replies of numeric_replies.h.
// The sender stays on the split line (SenderNick, SenderAddress, Prefix);
// a message holds the parameters, named. Missing parameters are empty texts,
// as in the split line. Nothing here touches a record or raises an event.

namespace zelmo::incoming {

// :alice!al@host.example PRIVMSG #room :hello there
// (also a CTCP text from a server, which has nobody to answer)
struct Privmsg {
  std::string target;
  std::string text;
};

// :alice!al@host.example PRIVMSG ZelmoBot :\001VERSION\001
struct CtcpQuery {
  std::string target;
  std::string command;
  std::string arguments;
};

// :alice!al@host.example NOTICE #room :hello there
struct Notice {
  std::string target;
  std::string text;
};

// :alice!al@host.example NOTICE ZelmoBot :\001VERSION AliceClient 1.0\001
struct CtcpReply {
  std::string target;
  std::string command;
  std::string arguments;
};

// :alice!al@host.example JOIN #room
// :alice!al@host.example JOIN #room alice_acct :Alice Example   (extended-join)
// The account and real name are read only on a link that negotiated
// extended-join; elsewhere nothing fills them.
struct Join {
  std::string channel;
  std::string account;
  std::string realname;
};

// :alice!al@host.example PART #room :see you
struct Part {
  std::string channel;
  std::string reason;
};

// :op!o@host.example KICK #room alice :behave
struct Kick {
  std::string channel;
  std::string victim;
  std::string reason;
};

// :op!o@host.example MODE #room +o-v alice bob
// A channel's modes; the mode text is the letters and their arguments, one
// blank apart.
struct Mode {
  std::string channel;
  std::string modes;
  std::vector<ChannelModeChange> changes;
};

// :ZelmoBot MODE ZelmoBot :+iw
// The modes of a nick (a target that is no channel).
struct UserMode {
  std::string nick;
  std::string modes;
};

// :alice!al@host.example NICK alicia
struct Nick {
  std::string new_nick;
};

// :alice!al@host.example QUIT :gone home
struct Quit {
  std::string reason;
};

// :alice!al@host.example TOPIC #room :new topic
struct Topic {
  std::string channel;
  std::string topic;
};

// :alice!al@host.example INVITE ZelmoBot #room
struct Invite {
  std::string nick;
  std::string channel;
};

// :oper!o@host.example KILL alice :flooding
struct Kill {
  std::string victim;
  std::string reason;
};

// :alice!al@host.example ACCOUNT alice_acct   (account-notify)
// :alice!al@host.example ACCOUNT *            (logged out)
struct Account {
  std::optional<std::string> account;
};

// :alice!al@host.example CHGHOST newuser new.host.example
struct Chghost {
  std::string user;
  std::string host;
};

// :alice!al@host.example AWAY :gone fishing   (away-notify)
// :alice!al@host.example AWAY                 (back: no command word in
// the split, as nothing follows the word)
struct Away {
  std::optional<std::string> message;
};

// PING :irc.example
struct Ping {
  std::string token;
};

// :irc.example WALLOPS :server going down
struct Wallops {
  std::string text;
};

// ERROR :Closing Link: 127.0.0.1 (Quit: bye)
struct ServerError {
  std::string text;
};

// :irc.example CAP * LS :multi-prefix sasl=PLAIN,EXTERNAL
// A line without a subcommand has an empty one.
struct Cap {
  CapReply reply;
};

// AUTHENTICATE +
struct Authenticate {
  std::optional<std::string> challenge;
};

// :irc.example FROB x y
// Any other command word: the word and the content stay on the split line.
struct Unknown {};

}  // namespace zelmo::incoming

namespace zelmo {

using IncomingMessage =
    std::variant<incoming::Privmsg, incoming::CtcpQuery, incoming::Notice, incoming::CtcpReply,
                 incoming::Join, incoming::Part, incoming::Kick, incoming::Mode, incoming::UserMode,
                 incoming::Nick, incoming::Quit, incoming::Topic, incoming::Invite, incoming::Kill,
                 incoming::Ping, incoming::Wallops, incoming::ServerError, incoming::Cap,
                 incoming::Authenticate, incoming::Account, incoming::Chghost, incoming::Away,
                 incoming::Unknown, ShownReply, WelcomeReply, FeaturesReply, AwayReply,
                 OwnAwayReply, ListStartReply, ListEntryReply, ListEndReply, ChannelModesReply,
                 NoTopicReply, TopicReply, InvitingReply, NamesReply, LinksReply, NamesEndReply,
                 MotdStartReply, ErrorReply, MonitorOnline, MonitorOffline, OtherReply>;

// What the split line says. Command words are compared case-sensitively; a
// command word of decimal digits is a numeric reply.
IncomingMessage DecodeMessage(const ParsedLine& line);

// The number of a numeric reply; none for a command.
std::optional<int> ReplyNumberOf(const IncomingMessage& message);

}  // namespace zelmo
