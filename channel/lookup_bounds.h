#pragma once

#include <cstddef>
#include <cstdint>

namespace zelmo {

// How much a lookup takes in from the web page, the DICT server or the
// XMLTV file it reads. Those are outside parties: each bound keeps a page or
// an answer without end from filling the memory or holding the bot, and lies
// far beyond what the real services give. The time limits of a lookup are in
// PageLimits (users/bot_context.h); the length of one line is the
// transport's (16384 bytes).

// The bytes of one DICT answer's definitions together, each definition
// counted with its status line and closing line, so that a stream of empty
// definitions costs as much as text does. Past it the lookup fails.
inline constexpr std::size_t kMaxDefinitionBytes = std::size_t{1} << 20;

// The translations one !word answer collects; further ones are left out as
// if the answer had been cut there. Far more than an IRC answer can show.
inline constexpr std::size_t kMaxTranslations = 300;

// The bytes read from one web page, line ends included. Past it the lookup
// fails.
inline constexpr std::size_t kMaxPageBytes = std::size_t{1} << 20;

// A listing file larger than this is refused unread.
inline constexpr std::int64_t kMaxListingBytes = std::int64_t{64} << 20;

// The programmes of one listing file. A file with more is refused: a
// two-week grab of a hundred channels holds some 50,000.
inline constexpr std::size_t kMaxListingProgrammes = 200000;

}  // namespace zelmo
