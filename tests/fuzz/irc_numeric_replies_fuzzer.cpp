// Numeric replies decoded without any client. The first two bytes of the
// input give the reply number (0 to 999), the rest is a received line, split
// as the client splits it; the number is decoded against any line, so every
// kind of reply meets every kind of text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "irc/protocol/irc_line.h"
#include "irc/protocol/mode_changes.h"
#include "irc/protocol/numeric_replies.h"
#include "support/fuzz_check.h"

namespace {

using namespace zelmo;

bool IsSlotOrContent(const std::string& text, const ParsedLine& line) {
  if (text == line.LineContent || text == line.SenderAddress) return true;
  for (const std::string& slot : line.ParamTable) {
    if (text == slot) return true;
  }
  return false;
}

// The fields of the replies that change state are the line's slots as they
// are, or plain pieces of them.
class CheckFields {
 public:
  explicit CheckFields(const ParsedLine& line) : line_(line), slot_(line.ParamTable) {}

  // A shown reply's word is a capitalised word of its own, or the number as
  // it came.
  void operator()(const ShownReply& reply) const {
    const bool capitals =
        !reply.word.empty() && std::all_of(reply.word.begin(), reply.word.end(),
                                           [](char c) { return c >= 'A' && c <= 'Z'; });
    FUZZ_CHECK(capitals || reply.word == line_.CommandText);
  }
  void operator()(const ListStartReply&) const {}
  void operator()(const ListEntryReply& reply) const {
    FUZZ_CHECK(reply.entry == slot_[3] + " " + slot_[4] + " " + slot_[5]);
  }
  void operator()(const ChannelModesReply& reply) const {
    FUZZ_CHECK(reply.channel == slot_[3] && reply.modes == JoinSlots(slot_, 4));
    FUZZ_CHECK(reply.modes.starts_with(slot_[4]));
    const auto arguments = std::span<const std::string>(slot_).subspan(5);
    FUZZ_CHECK(reply.changes == ParseChannelModes(slot_[4], arguments));
  }
  void operator()(const LinksReply& reply) const {
    Verbatim({reply.mask, reply.server});
    const std::string& info = slot_[5];
    FUZZ_CHECK(reply.hops.find(' ') == std::string::npos);
    FUZZ_CHECK(info == reply.hops || info == reply.hops + " " + reply.server_info);
  }
  void operator()(const WelcomeReply& reply) const { Verbatim({reply.server, reply.text}); }
  void operator()(const FeaturesReply& reply) const { Verbatim({reply.text}); }
  void operator()(const AwayReply& reply) const { Verbatim({reply.nick, reply.text}); }
  void operator()(const OwnAwayReply& reply) const { Verbatim({reply.text}); }
  void operator()(const ListEndReply& reply) const { Verbatim({reply.text}); }
  void operator()(const NoTopicReply& reply) const { Verbatim({reply.channel, reply.text}); }
  void operator()(const TopicReply& reply) const { Verbatim({reply.channel, reply.topic}); }
  void operator()(const InvitingReply& reply) const { Verbatim({reply.nick, reply.channel}); }
  void operator()(const NamesReply& reply) const { Verbatim({reply.channel, reply.names}); }
  void operator()(const NamesEndReply& reply) const { Verbatim({reply.channel, reply.text}); }
  void operator()(const MotdStartReply& reply) const { Verbatim({reply.text}); }
  void operator()(const ErrorReply& reply) const {
    Verbatim({reply.text, reply.about, reply.reason});
  }
  void operator()(const MonitorOnline& reply) const { Pieces(reply.nicks); }
  void operator()(const MonitorOffline& reply) const { Pieces(reply.nicks); }
  void operator()(const OtherReply& reply) const { Verbatim({reply.text}); }

 private:
  void Verbatim(std::initializer_list<std::string> texts) const {
    for (const std::string& text : texts) FUZZ_CHECK(IsSlotOrContent(text, line_));
  }
  // Each watched nick is a piece of the list, without its separators.
  void Pieces(const std::vector<std::string>& nicks) const {
    for (const std::string& nick : nicks) {
      FUZZ_CHECK(nick.find_first_of(",!") == std::string::npos);
      FUZZ_CHECK(slot_[3].find(nick) != std::string::npos);
    }
  }

  const ParsedLine& line_;
  const ParamSlots& slot_;
};

bool SameLine(const ParsedLine& a, const ParsedLine& b) {
  return a.SenderNick == b.SenderNick && a.SenderAddress == b.SenderAddress &&
         a.CommandText == b.CommandText && a.LineContent == b.LineContent &&
         a.ParamTable == b.ParamTable;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int number = (data[0] * 256 + data[1]) % 1000;
  const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);
  ParsedLine line;
  SplitLine(text, line);
  const ParsedLine before = line;

  const DecodedReply reply = DecodeNumeric(number, line);
  FUZZ_CHECK(SameLine(line, before));
  std::visit(CheckFields(line), reply);
  FUZZ_CHECK(std::visit([](const NumericReply& decoded) { return decoded.number; }, reply) ==
             number);

  // The kind of a reply follows from its number alone, never from its text.
  const ParsedLine empty;
  FUZZ_CHECK(DecodeNumeric(number, empty).index() == reply.index());
  // Only the nick errors start the nick fallback.
  if (const auto* error = std::get_if<ErrorReply>(&reply)) {
    FUZZ_CHECK(error->nick_refused == (number >= 431 && number <= 433));
  }
  return 0;
}
