#include "irc/protocol/numeric_replies.h"

#include <algorithm>
#include <optional>
#include <span>
#include <utility>

#include "shell/base/convert.h"

namespace zelmo {

namespace {

bool Within(int number, int low, int high) {
  return number >= low && number <= high;
}

// Reads the slots of one line for the shown replies below.
class Slots {
 public:
  explicit Slots(const ParsedLine& line) : line_(line) {}
  const std::string& operator()(std::size_t slot) const { return line_.ParamTable[slot]; }
  ShownReply Show(std::string word, std::string text) const {
    return ShownReply{{}, std::move(word), std::move(text)};
  }
  ShownReply ShowContent(std::string word) const {
    return Show(std::move(word), line_.LineContent);
  }

 private:
  const ParsedLine& line_;
};

// The shown replies about the server and the network.
std::optional<ShownReply> DecodeServerReply(int number, const ParsedLine& line) {
  const Slots s(line);
  // :irc.example 006 ZelmoBot :irc.example (12)
  if (number == 6 || number == 7) return s.Show("MAP", s(3));
  // :irc.example 200 ZelmoBot Link 1.0 next.example irc.example
  if (Within(number, 200, 206) || number == 208 || number == 261) return s.ShowContent("TRACE");
  // :irc.example 211 ZelmoBot next.example 0 12 1024 10 2048 3600
  if (Within(number, 211, 216) || number == 218 || Within(number, 241, 244)) {
    return s.ShowContent("STATS");
  }
  // :irc.example 219 ZelmoBot l :End of STATS report
  if (number == 219) return s.Show("STATS", s(3) + " " + s(4));
  // :irc.example 221 ZelmoBot +iw
  if (number == 221) return s.Show("UMODE", s(2) + " " + s(3));
  // :irc.example 252 ZelmoBot 2 :operator(s) online
  if (Within(number, 250, 255)) return s.Show("LUSER", s(3) + " " + s(4));
  // :irc.example 265 ZelmoBot :Current local users: 5, max 9
  if (number == 265 || number == 266) return s.Show("LUSER", s(3));
  // :irc.example 256 ZelmoBot irc.example :Administrative info
  if (Within(number, 256, 259)) return s.ShowContent("ADMIN");
  // :irc.example 329 ZelmoBot #chan 1700000000
  if (number == 329) return s.ShowContent(line.CommandText);
  // :irc.example 351 ZelmoBot ngircd-26 irc.example :debug
  if (number == 351) return s.Show("VERSION", s(3) + " " + s(4) + " " + s(5));
  // :irc.example 365 ZelmoBot * :End of LINKS list
  if (number == 365) return s.Show("LINKS", s(3) + " " + s(4));
  // :irc.example 371 ZelmoBot :Server information
  if (number == 371 || number == 374) return s.Show("INFO", s(2));
  // :irc.example 372 ZelmoBot :- Be nice
  if (number == 372 || number == 376) return s.Show("MOTD", s(3));
  // :irc.example 381 ZelmoBot :You are now an IRC operator
  if (number == 381) return s.Show("OPER", s(2));
  // :irc.example 382 ZelmoBot ircd.conf :Rehashing
  if (number == 382) return s.Show("REHASH", s(2) + " :" + s(3));
  // :irc.example 391 ZelmoBot irc.example :Tuesday December 8 2026 -- 13:00
  if (number == 391) {
    const bool differ = UpperCase(s(0)) != UpperCase(s(3));
    return s.Show("TIME", s(0) + " :" + (differ ? s(3) : s(4)));
  }
  // :irc.example 392 ZelmoBot :UserID Terminal Host
  if (Within(number, 392, 395)) return s.Show("USERS", s(2));
  return std::nullopt;
}

// The shown replies about other users and the channels.
std::optional<ShownReply> DecodeUserReply(int number, const ParsedLine& line) {
  const Slots s(line);
  // :irc.example 302 ZelmoBot :alice=+al@host.example
  if (number == 302) return s.Show("USERHOST", s(3));
  // :irc.example 303 ZelmoBot :alice bob
  if (number == 303) return s.Show("ISON", s(2));
  // :irc.example 313 ZelmoBot alice :is an IRC operator
  if (number == 307 || number == 313) return s.Show("WHOIS", s(3) + " " + s(4));
  // :irc.example 311 ZelmoBot alice al host.example * :Alice Liddell
  if (number == 311) {
    return s.Show("WHOIS", s(3) + " is " + s(4) + "@" + s(5) + " " + s(6) + " " + s(7));
  }
  // :irc.example 312 ZelmoBot alice irc.example :Example server
  if (number == 312) return s.Show("WHOIS", s(3) + " is using " + s(4) + " " + s(5));
  // :irc.example 314 ZelmoBot alice al host.example * :Alice Liddell
  if (number == 314) {
    return s.Show("WHOWAS", s(3) + " was " + s(4) + "@" + s(5) + " " + s(6) + " " + s(7));
  }
  // :irc.example 315 ZelmoBot #chan :End of WHO list
  if (number == 315) return s.Show("WHO", s(3) + " :" + s(4));
  // :irc.example 317 ZelmoBot alice 42 1700000000 :seconds idle, signon time
  if (number == 317) {
    return s.Show("WHOIS", s(3) + " has been idle " + s(4) + " seconds, signed on at " + s(5));
  }
  // :irc.example 318 ZelmoBot alice :End of WHOIS list
  if (number == 318) return s.Show("WHOIS", s(3) + " :" + s(4));
  // :irc.example 319 ZelmoBot alice :@#chan +#other
  if (number == 319) return s.Show("WHOIS", s(3) + " is on " + s(4));
  // :irc.example 342 ZelmoBot alice :Summoning user to IRC
  if (number == 342) return s.Show("SUMMON", s(2) + " has been summoned");
  // :irc.example 352 ZelmoBot #chan al host.example irc.example alice H :0 Alice
  if (number == 352) return s.Show("WHO", s(2));
  // :irc.example 367 ZelmoBot #chan *!*@bad.example
  if (number == 367) return s.Show("BANS", s(2) + " " + s(3));
  // :irc.example 368 ZelmoBot #chan :End of channel ban list
  if (number == 368) return s.Show("BANS", s(2) + " :" + s(3));
  // :irc.example 369 ZelmoBot alice :End of WHOWAS
  if (number == 369) return s.Show("WHOWAS", s(3) + " :" + s(4));
  // :irc.example 614 ZelmoBot alice :is using modes +iw
  if (number == 614) return s.Show("WHOIS", s(3));
  return std::nullopt;
}

// 364's last parameter is the hop count and the server's description.
LinksReply DecodeLinks(const ParamSlots& slot) {
  const std::string& info = slot[5];
  const std::size_t blank = info.find(' ');
  if (blank == std::string::npos) return LinksReply{{}, slot[3], slot[4], info, ""};
  return LinksReply{{}, slot[3], slot[4], info.substr(0, blank), info.substr(blank + 1)};
}

// The nicks of a MONITOR list, in order: each entry up to its "!", empty
// entries too.
std::vector<std::string> MonitoredNicks(const std::string& list) {
  std::vector<std::string> nicks;
  for (std::size_t start = 0; start <= list.size();) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string_view entry = std::string_view(list).substr(start, comma - start);
    nicks.emplace_back(entry.substr(0, entry.find('!')));
    start = comma + 1;
  }
  return nicks;
}

// The replies that change the client's state or raise events of their own.
DecodedReply DecodeStateReply(int number, const ParsedLine& line) {
  const ParamSlots& slot = line.ParamTable;
  const std::string& content = line.LineContent;
  // :irc.example 001 ZelmoBot :Welcome to the Internet Relay Network ZelmoBot
  if (Within(number, 1, 4)) return WelcomeReply{{}, line.SenderAddress, content};
  // :irc.example 005 ZelmoBot CHANTYPES=# NICKLEN=30 :are supported by this server
  if (number == 5) return FeaturesReply{{}, content};
  // :irc.example 301 ZelmoBot alice :Gone for lunch
  if (number == 301) return AwayReply{{}, slot[3], slot[4]};
  // :irc.example 305 ZelmoBot :You are no longer marked as being away
  // :irc.example 306 ZelmoBot :You have been marked as being away
  if (number == 305 || number == 306) return OwnAwayReply{{}, number == 306, slot[3]};
  // :irc.example 321 ZelmoBot Channel :Users  Name
  if (number == 321) return ListStartReply{};
  // :irc.example 322 ZelmoBot #chan 12 :the topic
  if (number == 322) return ListEntryReply{{}, slot[3] + " " + slot[4] + " " + slot[5]};
  // :irc.example 323 ZelmoBot :End of LIST
  if (number == 323) return ListEndReply{{}, slot[3]};
  // :irc.example 324 ZelmoBot #chan +kl secret 10
  if (number == 324) {
    auto arguments = std::span<const std::string>(slot).subspan(5);
    return ChannelModesReply{
        {}, slot[3], JoinSlots(slot, 4), ParseChannelModes(slot[4], arguments)};
  }
  // :irc.example 331 ZelmoBot #chan :No topic is set
  if (number == 331) return NoTopicReply{{}, slot[3], slot[4]};
  // :irc.example 332 ZelmoBot #chan :the topic
  if (number == 332) return TopicReply{{}, slot[3], slot[4]};
  // :irc.example 341 ZelmoBot alice #chan
  if (number == 341) return InvitingReply{{}, slot[3], slot[4]};
  // :irc.example 353 ZelmoBot = #chan :@alice +bob carol
  if (number == 353) return NamesReply{{}, slot[4], slot[5]};
  // :irc.example 364 ZelmoBot * irc.example :0 Example server
  if (number == 364) return DecodeLinks(slot);
  // :irc.example 366 ZelmoBot #chan :End of NAMES list
  if (number == 366) return NamesEndReply{{}, slot[3], slot[4]};
  // :irc.example 375 ZelmoBot :- irc.example Message of the day -
  if (number == 375) return MotdStartReply{{}, slot[3]};
  // :irc.example 433 * ZelmoBot :Nickname is already in use
  if (Within(number, 401, 502)) {
    return ErrorReply{{}, content, Within(number, 431, 433), slot[3], slot[4]};
  }
  // :irc.example 730 ZelmoBot :alice!al@host.example,bob!b@host.example
  if (number == 730) return MonitorOnline{{}, MonitoredNicks(slot[3])};
  // :irc.example 731 ZelmoBot :alice,bob
  if (number == 731) return MonitorOffline{{}, MonitoredNicks(slot[3])};
  return OtherReply{{}, content};
}

DecodedReply DecodeReply(int number, const ParsedLine& line) {
  if (auto shown = DecodeServerReply(number, line)) return *std::move(shown);
  if (auto shown = DecodeUserReply(number, line)) return *std::move(shown);
  return DecodeStateReply(number, line);
}

}  // namespace

DecodedReply DecodeNumeric(int number, const ParsedLine& line) {
  DecodedReply reply = DecodeReply(number, line);
  std::visit([number](NumericReply& decoded) { decoded.number = number; }, reply);
  return reply;
}

}  // namespace zelmo
