#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Mode texts read into the changes they make, without touching any record:
// the client applies them (irc_modes.cpp).

namespace zelmo {

// Channel modes, one flag per mode letter.
enum ChannelMode : unsigned {
  cmPrivate = 1,     // p
  cmSecret = 2,      // s
  cmInviteOnly = 4,  // i
  cmOpsTopic = 8,    // t
  cmNoOutside = 16,  // n
  cmModerated = 32,  // m
  cmUserLimit = 64,  // l
  cmKey = 128,       // k
};
using ChannelModes = unsigned;

// The flag of a mode letter (case-sensitive), or 0 for any other character.
ChannelModes ChannelModeFlag(char letter);

// Own user modes as bits: i, o, s, w.
using TIdIRCUserModes = std::uint8_t;
inline constexpr TIdIRCUserModes umInvisible = 1;
inline constexpr TIdIRCUserModes umOperator = 2;
inline constexpr TIdIRCUserModes umServerNotices = 4;
inline constexpr TIdIRCUserModes umWallops = 8;

// What one letter of a channel mode text does, with the argument it took.
struct ChannelModeChange {
  enum class Kind { Ban, Op, Voice, Key, Limit, Flag };
  Kind kind = Kind::Flag;
  bool add = true;
  // The channel's mode flag that the letter sets or clears (k, l and the
  // flag letters); 0 for b, o and v, which are no modes of the channel.
  ChannelModes flag = 0;
  // Ban: the mask; Op, Voice: the nick; Key: the key (empty when removed).
  std::string argument;
  // Limit: the user limit (0 when removed or not a number).
  int limit = 0;
  bool operator==(const ChannelModeChange&) const = default;
};

// The changes of a channel mode text such as "+o-v", letter by letter, with
// the arguments they take in turn from `arguments` (the slots after the
// text; one past the end reads as empty). "+" and "-" give the sign of the
// letters after them. b, o and v always take an argument, k and l only when
// added; p, s, i, t, n and m take none, and any other letter is ignored.
std::vector<ChannelModeChange> ParseChannelModes(std::string_view letters,
                                                 std::span<const std::string> arguments);

// The own user modes after a mode text: i, o, s and w set or cleared by the
// sign before them, any other letter ignored.
TIdIRCUserModes ParseUserModes(TIdIRCUserModes modes, std::string_view letters);

}  // namespace zelmo
