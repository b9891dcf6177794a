#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// The tag part of a line ("@" up to and with its blank) may take this many
// bytes; the rest of the line keeps its own 512. A longer tag part is not
// read at all (the line is), so a peer cannot make the bot decode more.
inline constexpr std::size_t kMaxTagPartBytes = 4607;

// A received line cut at the end of its tag part.
//
//   @account=alice;time=2026-01-01T00:00:00Z :alice!al@host PRIVMSG #c :hi
//    '------------------------------------' '---------------------------'
//                  tags                                rest
struct TaggedLine {
  // Without the "@" and the blank; empty for a line without tags, and for a
  // tag part over kMaxTagPartBytes.
  std::string_view tags;
  std::string_view rest;
};

TaggedLine SplitMessageTags(std::string_view line);

// The tags the bot reads, decoded once. Every other tag (client-only "+"
// tags, vendor tags, server-time) is skipped.
struct MessageTags {
  // The services account of the sender; none without the tag or with an
  // empty value.
  std::optional<std::string> account;
};

// A repeated key counts with its last value; values are unescaped.
MessageTags ParseMessageTags(std::string_view tags);

// A tag value with its escapes replaced: "\:" ";", "\s" blank, "\\" "\",
// "\r" CR, "\n" LF, any other "\x" "x"; a lone "\" at the end is dropped.
std::string UnescapeTagValue(std::string_view value);

}  // namespace zelmo
