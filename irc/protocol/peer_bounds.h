#pragma once

#include <cstddef>

namespace zelmo {

// How much the IRC client keeps of what a server sends. A server (or one who
// stands in for it) may send without end; every record that grows with the
// lines it sends stops at one of these bounds, so the bot's memory stays
// small whatever arrives. Each bound lies far beyond what a real network
// sends. Reaching one never changes what the bot believes about a person's
// rights: those come from the user file and the sender's address alone.

// The bytes of capability names collected from CAP LS while a SASL login
// waits for the list's end. Real lists hold a few hundred bytes; past the
// bound the bot ends negotiation (CAP END), tells the display why, and
// treats the login as failed.
inline constexpr std::size_t kMaxCapabilityListBytes = 64 * 1024;

// The channels the client keeps a record of. A JOIN of the bot into one more
// is shown but not recorded (the display says so once per connection):
// messages there are then taken as private messages, which no one can use
// to gain rights.
inline constexpr std::size_t kMaxChannels = 200;

// The members listed in all channel records together: 200 channels of 750
// members each, a large real network. At this bound, with 50,000 people
// behind the names, the bot takes about 45 MB resident. Names beyond it
// (from NAMES or JOIN) are not recorded; the display says so once per
// connection. A command that looks for such a member answers as if the
// member were not there.
inline constexpr std::size_t kMaxMembers = 150000;

// The bytes of the nicks of those members together (a nick is kept three
// times: in the member list, its index and the directory of the channels
// each nick is in). Real nicks of about ten bytes reach kMaxMembers first;
// a peer sending nicks of thousands of bytes reaches this, as if the
// member bound had been reached (the display says so once per connection).
inline constexpr std::size_t kMaxMemberNickBytes = 2 * 1024 * 1024;

// The user records held for channel members: the distinct people of such a
// network, where most are in several channels. A NAMES reply holds the record
// of each name it lists for the whole connection, also after the member has
// left, so once this many records are held no NAMES adds another. The
// record of a line's sender, made only while the line is handled, is always
// made.
inline constexpr std::size_t kMaxHeldUsers = 50000;

// The distinct tokens kept from the server's 005 lines (ISUPPORT). Real
// servers announce about 50; further new tokens are ignored, changes to
// tokens already known still count.
inline constexpr std::size_t kMaxServerFeatures = 512;

// JOINs sent and not yet answered; the oldest is forgotten first. A server
// that answers none of them must not make the list grow for ever.
inline constexpr std::size_t kMaxPendingJoins = 64;

// WHOIS queries for people's accounts awaiting their answer; when one more
// is asked, the oldest ends unanswered.
inline constexpr std::size_t kMaxAccountLookups = 8;

// LIST entries held for the list's handler until the list ends; the rest of
// a longer list is not passed on.
inline constexpr std::size_t kMaxListEntries = 10000;

// The lines the reader hands to the user-interface thread in one go: the
// line it waited for and those already received behind it, up to this many
// lines or bytes. The rest wait in the input buffer for the next hand-over,
// so a flood costs one hand-over per batch, never a queue that grows.
inline constexpr std::size_t kMaxBatchLines = 256;
inline constexpr std::size_t kMaxBatchBytes = 64 * 1024;

// The least time between two attempts to take the configured nick back
// when the server reports it free (MONITOR, a QUIT or NICK seen): a server
// that repeats the report cannot make the bot send a NICK for each.
inline constexpr int kMinNickRegainGapMs = 5000;

}  // namespace zelmo
