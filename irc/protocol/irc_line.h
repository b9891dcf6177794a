#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// Slot 0 is the prefix, slot 1 the command, slots 2 to 29 the parameters:
// slot n holds parameter n - 1, so slot 3 is the second parameter.
//
//   :alice!al@host.example PRIVMSG #chan :hello there
//    '-------------------' '-----' '---'  '---------'
//           slot 0         slot 1  slot 2   slot 3
//           prefix         command 1st      2nd parameter
//
//   :irc.example 353 ZelmoBot = #chan :@alice +bob carol
//    slot 0      1   2        3 4      5
//
// A reply's first parameter (slot 2) is the nick it is sent to.
inline constexpr std::size_t kParamSlots = 30;
using ParamSlots = std::array<std::string, kParamSlots>;

// Every cut of a received line keeps at most this many characters: an IRC
// line is at most 512 bytes with its terminator, so normal lines are whole.
inline constexpr std::size_t kMaxLinePart = 512;

// The fields of one received line, its parameters in the slots drawn above.
// One object is reused for every line: the strings are cleared and assigned
// in place, so their buffers are kept.
struct ParsedLine {
  std::string SenderNick;
  std::string SenderAddress;
  std::string CommandText;
  std::string LineContent;
  ParamSlots ParamTable;

  // The whole prefix without its ":" (nick!user@host, or a server's name).
  const std::string& Prefix() const { return ParamTable[0]; }
};

// Splits a line (without its terminator) into prefix, sender, command,
// unparsed content and parameters. A slot the line does not fill is empty.
// When the last slot is reached, it takes the whole remaining text unsplit
// (a leading ":" dropped), so a line with too many parameters loses nothing.
void SplitLine(std::string_view line, ParsedLine& parsed);

// Slot `first` and every non-empty slot after it, joined by blanks.
std::string JoinSlots(const ParamSlots& slots, std::size_t first);

// A target naming a channel begins with "!", "#", "&" or "+".
bool IsChannelName(std::string_view target);

// A nick the bot can take as its own: not empty, at most `longest` bytes,
// without blanks or control characters, and not beginning like a channel, a
// trailing parameter or a number.
bool IsValidNick(std::string_view nick, std::size_t longest);

// The reply number when the command word is all decimal digits and fits an
// integer ("001" is 1); none for a command word (the empty one included).
std::optional<int> ReplyNumber(std::string_view command_text);

}  // namespace zelmo
