#include "channel/short_reply.h"

#include <algorithm>
#include <optional>

#include "irc/session/irc_client.h"
#include "users/scriptfunc.h"

namespace zelmo {

namespace {

std::string Joined(const std::vector<std::string>& pieces, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += pieces[i];
  return text;
}

// The largest of the rising candidates for which the answer fits, found by
// halving: a longer text never takes fewer messages.
template <typename Text>
std::optional<std::size_t> LargestFitting(const std::vector<std::size_t>& candidates,
                                          const Text& text, std::size_t max_messages,
                                          const MessageCounter& messages) {
  std::optional<std::size_t> best;
  std::size_t low = 0, high = candidates.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (messages(text(candidates[middle]) + std::string(kCutMark)) <= max_messages) {
      best = candidates[middle];
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return best;
}

// The ends of the words of a text, or, without a blank, of its characters
// (never inside a UTF-8 sequence).
std::vector<std::size_t> CutPoints(std::string_view text) {
  std::vector<std::size_t> points;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == ' ' && text[i - 1] != ' ') points.push_back(i);
  }
  if (!points.empty()) return points;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) points.push_back(i);
  }
  return points;
}

}  // namespace

std::string ShortAnswer(const std::vector<std::string>& pieces, bool more, std::size_t max_messages,
                        const MessageCounter& messages) {
  if (pieces.empty()) return {};
  std::string whole = Joined(pieces, pieces.size());
  if (!more && messages(whole) <= max_messages) return whole;
  std::vector<std::size_t> counts(pieces.size());
  for (std::size_t i = 0; i < counts.size(); ++i) counts[i] = i + 1;
  auto first_pieces = [&pieces](std::size_t count) { return Joined(pieces, count); };
  if (auto count = LargestFitting(counts, first_pieces, max_messages, messages)) {
    return Joined(pieces, *count) + std::string(kCutMark);
  }
  const std::string& first = pieces.front();
  auto head = [&first](std::size_t length) { return first.substr(0, length); };
  const auto length = LargestFitting(CutPoints(first), head, max_messages, messages);
  return first.substr(0, length.value_or(0)) + std::string(kCutMark);
}

void SendShortReply(BotContext& bot, const std::string& channel,
                    const std::vector<std::string>& pieces, bool more) {
  const auto max_messages = static_cast<std::size_t>(std::max(bot.ReplyLines(), 1));
  TIdIRC& irc = bot.Irc();
  SendReply(bot, channel,
            ShortAnswer(pieces, more, max_messages, [&irc, &channel](const std::string& text) {
              return irc.MessageCount(channel, text);
            }));
}

}  // namespace zelmo
