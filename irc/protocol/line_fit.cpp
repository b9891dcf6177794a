#include "irc/protocol/line_fit.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "shell/base/convert.h"
#include "shell/base/utf8.h"

namespace zelmo {

namespace {

// A message text needs room for the longest UTF-8 sequence, or a split
// could not keep its characters whole.
constexpr std::size_t kLongestSequence = 4;

std::uint8_t Byte(std::string_view text, std::size_t index) {
  return static_cast<std::uint8_t>(text[index]);
}

bool IsContinuation(std::uint8_t byte) {
  return (byte & 0xC0) == 0x80;
}

// The length of the well-formed sequence at the start of the text, or 0.
std::size_t SequenceLength(std::string_view text) {
  const std::uint8_t lead = Byte(text, 0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || Byte(text, 1) < low || Byte(text, 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (!IsContinuation(Byte(text, i))) return 0;
  }
  return length;
}

bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    const std::size_t length = SequenceLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

// How many bytes of the text to keep within the room: all of a short text,
// else the room, moved back to the start of a character in a UTF-8 text.
std::size_t CutAt(std::string_view text, std::size_t room, bool utf8) {
  if (text.size() <= room) return text.size();
  std::size_t cut = room;
  while (utf8 && cut > 0 && IsContinuation(Byte(text, cut))) --cut;
  return cut;
}

std::string Joined(std::string_view head, std::string_view tail) {
  std::string line;
  line.reserve(head.size() + tail.size());
  line.append(head).append(tail);
  return line;
}

// "PRIVMSG target :" or "NOTICE target :", and the text behind it.
struct Message {
  std::string_view header;
  std::string_view text;
};

std::optional<Message> SplitMessage(std::string_view line) {
  const std::size_t blank = line.find(' ');
  if (blank == std::string_view::npos) return std::nullopt;
  const std::string command = UpperCase(line.substr(0, blank));
  if (command != "PRIVMSG" && command != "NOTICE") return std::nullopt;
  const std::size_t after_target = line.find(' ', blank + 1);
  if (after_target == std::string_view::npos || after_target == blank + 1 ||
      after_target + 1 >= line.size() || line[after_target + 1] != ':') {
    return std::nullopt;
  }
  return Message{line.substr(0, after_target + 2), line.substr(after_target + 2)};
}

// A CTCP message is one message to its receiver: it is cut, and keeps the
// \001 that closes it.
std::string CutCtcp(const Message& message, std::size_t room) {
  std::string_view body = message.text.substr(1);
  const bool closed = !body.empty() && body.back() == '\001';
  if (closed) body.remove_suffix(1);
  const std::size_t body_room = room - 1 - (closed ? 1 : 0);
  body = body.substr(0, CutAt(body, body_room, IsValidUtf8(body)));
  std::string line = Joined(message.header, "\001");
  line.append(body);
  if (closed) line += '\001';
  return line;
}

std::vector<std::string> SplitText(const Message& message, std::size_t room) {
  std::string_view text = message.text;
  const bool utf8 = IsValidUtf8(text);
  std::vector<std::string> lines;
  while (text.size() > room) {
    // The last blank that has text on both sides; one right behind a full
    // piece counts, since the split takes its place.
    const std::size_t blank = text.substr(0, room + 1).rfind(' ');
    if (blank != std::string_view::npos && blank > 0 && blank + 1 < text.size()) {
      lines.push_back(Joined(message.header, text.substr(0, blank)));
      text.remove_prefix(blank + 1);
    } else {
      const std::size_t cut = CutAt(text, room, utf8);
      lines.push_back(Joined(message.header, text.substr(0, cut)));
      text.remove_prefix(cut);
    }
  }
  lines.push_back(Joined(message.header, text));
  return lines;
}

}  // namespace

std::string AsUtf8(std::string line) {
  if (IsValidUtf8(line)) return line;
  std::string converted;
  converted.reserve(line.size() * 2);
  for (const char byte : line) AppendUtf8(converted, static_cast<unsigned char>(byte));
  return converted;
}

std::size_t LineRoom(std::size_t relay_prefix) {
  return kMaxIrcLineBytes - 2 - std::min(relay_prefix, kLongestRelayPrefix);
}

std::vector<std::string> FitLine(std::string_view line, std::size_t relay_prefix) {
  const std::size_t room = LineRoom(relay_prefix);
  if (line.size() <= room) return {std::string(line)};
  if (auto message = SplitMessage(line)) {
    if (message->header.size() + kLongestSequence <= room) {
      const std::size_t text_room = room - message->header.size();
      if (message->text[0] == '\001') return {CutCtcp(*message, text_room)};
      return SplitText(*message, text_room);
    }
  }
  return {std::string(line.substr(0, CutAt(line, room, IsValidUtf8(line))))};
}

}  // namespace zelmo
