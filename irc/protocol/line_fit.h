#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zelmo {

// The longest line a server takes, CR LF included.
inline constexpr std::size_t kMaxIrcLineBytes = 512;
// What ":" + nick!user@host + " " in front of a relayed line is taken to be
// while the server has not shown the bot its own prefix.
inline constexpr std::size_t kAssumedRelayPrefix = 100;
// A longer prefix is no real server's; every line keeps room for its
// command and some text.
inline constexpr std::size_t kLongestRelayPrefix = 400;

// The bytes a line may hold (without CR LF) so that it still fits when the
// server relays it behind a prefix of that many bytes.
std::size_t LineRoom(std::size_t relay_prefix);

// The line itself when it is valid UTF-8; otherwise it is taken as Latin-1
// (as the bot's own texts and the dictionary's letters are) and converted,
// for servers that take nothing but UTF-8.
std::string AsUtf8(std::string line);

// The lines to send for one outgoing line, each within LineRoom. A PRIVMSG
// or NOTICE ("COMMAND target :text") whose text does not fit becomes several
// messages to the same target, each as full as fits, split at the last blank
// (which the split takes the place of) or, without one, at the limit, and
// never inside a UTF-8 sequence of a valid UTF-8 text. A CTCP message (text
// beginning with \001) stays one message and is cut, keeping its closing
// \001. Any other line is cut, at a UTF-8 boundary when it is valid UTF-8.
std::vector<std::string> FitLine(std::string_view line, std::size_t relay_prefix);

}  // namespace zelmo
