// Channel mode texts read into mode changes, without any client: the first
// line of the input is the mode text, the rest its arguments, one a blank.
// Each change is checked against the letter it came from and the argument
// it took, so a letter that takes the wrong argument (or none when it needs
// one) shows at once.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "irc/protocol/mode_changes.h"
#include "irc/session/irc_channel.h"
#include "support/fuzz_check.h"
#include "support/model_integer.h"

namespace {

using namespace zelmo;
using Kind = ChannelModeChange::Kind;

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  while (!text.empty() && words.size() < 28) {
    const std::size_t blank = text.find(' ');
    words.emplace_back(text.substr(0, blank));
    if (blank == std::string_view::npos) break;
    text.remove_prefix(blank + 1);
  }
  return words;
}

bool TakesArgument(char letter, bool add) {
  return letter == 'b' || letter == 'o' || letter == 'v' ||
         (add && (letter == 'k' || letter == 'l'));
}

Kind KindOf(char letter) {
  switch (letter) {
    case 'b':
      return Kind::Ban;
    case 'o':
      return Kind::Op;
    case 'v':
      return Kind::Voice;
    case 'k':
      return Kind::Key;
    case 'l':
      return Kind::Limit;
    default:
      return Kind::Flag;
  }
}

// Walks the text beside the changes: every letter the channel knows gives
// one change, in order, with the sign before it and its argument in turn.
// Returns how many arguments the letters took.
std::size_t CheckChanges(std::string_view letters, const std::vector<std::string>& arguments,
                         const std::vector<ChannelModeChange>& changes) {
  std::size_t next_change = 0;
  std::size_t next_argument = 0;
  bool add = true;
  for (char letter : letters) {
    if (letter == '+' || letter == '-') {
      add = letter == '+';
      continue;
    }
    const bool member_or_ban = letter == 'b' || letter == 'o' || letter == 'v';
    if (ChannelModeFlag(letter) == 0 && !member_or_ban) continue;
    FUZZ_CHECK(next_change < changes.size());
    const ChannelModeChange& change = changes[next_change++];
    FUZZ_CHECK(change.add == add && change.kind == KindOf(letter));
    FUZZ_CHECK(change.flag == ChannelModeFlag(letter));
    std::string argument;
    if (TakesArgument(letter, add)) {
      if (next_argument < arguments.size()) argument = arguments[next_argument];
      ++next_argument;
    }
    if (letter == 'l') {
      FUZZ_CHECK(change.argument.empty());
      FUZZ_CHECK(change.limit == (add ? fuzz::ModelInteger(argument).value_or(0) : 0));
    } else {
      FUZZ_CHECK(change.argument == argument && change.limit == 0);
    }
  }
  FUZZ_CHECK(next_change == changes.size());
  return next_argument;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t lf = input.find('\n');
  const std::string_view letters = input.substr(0, lf);
  std::vector<std::string> arguments =
      lf == std::string_view::npos ? std::vector<std::string>() : Words(input.substr(lf + 1));

  const std::vector<ChannelModeChange> changes = ParseChannelModes(letters, arguments);
  const std::size_t taken = CheckChanges(letters, arguments, changes);
  // A missing argument reads as an empty one, and one that no letter takes
  // changes nothing.
  if (taken > arguments.size()) arguments.resize(taken);
  arguments.emplace_back("spare");
  FUZZ_CHECK(ParseChannelModes(letters, arguments) == changes);
  return 0;
}
