#pragma once

#include <string>
#include <variant>
#include <vector>

#include "irc/protocol/irc_line.h"
#include "irc/protocol/mode_changes.h"

// Numeric server replies read into what they say, without touching any
// record or raising any event: the client carries them out
// (irc_numerics.cpp). The slot numbers are those of ParsedLine.

namespace zelmo {

// What every reply carries: its number ("001" is 1).
struct NumericReply {
  int number = 0;
};

// A reply that is only shown: the word it is shown under and its text.
struct ShownReply : NumericReply {
  std::string word;
  std::string text;
};

// 001 to 004: the server has taken the bot in.
struct WelcomeReply : NumericReply {
  std::string server;
  std::string text;
};

// 005: what the server supports; shown as an unknown command too.
struct FeaturesReply : NumericReply {
  std::string text;
};

// 301: a nick is away, with its away text.
struct AwayReply : NumericReply {
  std::string nick;
  std::string text;
};

// 305 (back) and 306 (away): the bot's own away mark.
struct OwnAwayReply : NumericReply {
  bool away = false;
  std::string text;
};

// 321, 322 and 323: the channel list begins, has an entry, ends.
struct ListStartReply : NumericReply {};
struct ListEntryReply : NumericReply {
  std::string entry;
};
struct ListEndReply : NumericReply {
  std::string text;
};

// 324: a channel's modes, as text and read into changes.
struct ChannelModesReply : NumericReply {
  std::string channel;
  std::string modes;
  std::vector<ChannelModeChange> changes;
};

// 331: a channel has no topic.
struct NoTopicReply : NumericReply {
  std::string channel;
  std::string text;
};

// 332: a channel's topic.
struct TopicReply : NumericReply {
  std::string channel;
  std::string topic;
};

// 341: the bot has invited a nick to a channel.
struct InvitingReply : NumericReply {
  std::string nick;
  std::string channel;
};

// 353: some of a channel's members, each with its mark.
struct NamesReply : NumericReply {
  std::string channel;
  std::string names;
};

// 364: one server link.
struct LinksReply : NumericReply {
  std::string mask;
  std::string server;
  std::string hops;
  std::string server_info;
};

// 366: the end of a channel's members.
struct NamesEndReply : NumericReply {
  std::string channel;
  std::string text;
};

// 375: the message of the day begins.
struct MotdStartReply : NumericReply {
  std::string text;
};

// 401 to 502: an error; 431 to 433 refuse the nick. Most name what they
// are about (a nick, a channel) first and give the server's words last.
struct ErrorReply : NumericReply {
  std::string text;
  bool nick_refused = false;
  std::string about;
  std::string reason;
};

// 730 and 731: watched nicks (MONITOR) that are online or offline now, each
// taken from a "nick!user@host" or a bare nick of the list.
struct MonitorOnline : NumericReply {
  std::vector<std::string> nicks;
};
struct MonitorOffline : NumericReply {
  std::vector<std::string> nicks;
};

// Any other number.
struct OtherReply : NumericReply {
  std::string text;
};

using DecodedReply =
    std::variant<ShownReply, WelcomeReply, FeaturesReply, AwayReply, OwnAwayReply, ListStartReply,
                 ListEntryReply, ListEndReply, ChannelModesReply, NoTopicReply, TopicReply,
                 InvitingReply, NamesReply, LinksReply, NamesEndReply, MotdStartReply, ErrorReply,
                 MonitorOnline, MonitorOffline, OtherReply>;

// What the reply `number` (the command word of `line`) says.
DecodedReply DecodeNumeric(int number, const ParsedLine& line);

}  // namespace zelmo
