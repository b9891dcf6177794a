#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

namespace zelmo {

// Milliseconds of a steady clock: flood counting must not jump with the
// wall clock.
using SteadyMillis = std::int64_t;

inline SteadyMillis SteadyNow() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// "More than `limit` events within `window`", kept in one number per user
// and checked in constant time: each event books its share of the window
// (window / limit, rounded up) after the later of now and the last booking;
// bookings running more than a full window ahead mean too many events. A
// burst of `limit` passes, one more does not, and a steady pace of `limit`
// per window passes for ever. The event that is one too many starts a new
// count, so that each offence takes a burst of its own.
class RateWindow {
 public:
  // Records an event; true when it is one too many. A limit of 0 is off.
  bool Hit(SteadyMillis now, int limit, SteadyMillis window);
  // No booking is left: the counter can be forgotten.
  bool Idle(SteadyMillis now) const { return booked_until_ <= now; }

 private:
  SteadyMillis booked_until_ = 0;
};

// One number for a text with letter case and formatting codes (colours with
// their numbers, bold, italics, underline, reverse, reset) left out, so that
// "Buy NOW" and a coloured "buy now" count as the same text. Allocates
// nothing.
std::uint64_t TextFingerprint(std::string_view text);

// The same text said again and again: `repeats` times in a row, each within
// `window` of the one before. A different text, or a pause longer than the
// window, starts the count again, and so does an offence.
class RepeatCounter {
 public:
  // Records a text by its fingerprint; true at the `repeats`th time.
  // A repeats of 0 is off.
  bool Said(std::uint64_t fingerprint, SteadyMillis now, int repeats, SteadyMillis window);
  bool Idle(SteadyMillis now, SteadyMillis window) const { return now - last_ > window; }

 private:
  std::uint64_t fingerprint_ = 0;
  SteadyMillis last_ = 0;
  int count_ = 0;
};

// What the bot does about a user who offends again and again.
enum class GuardStep { kWarn, kKick, kBan };

// Steps up per offence: a warning, then a kick, then a ban; an offence more
// than `window` after the last one starts again with a warning.
class Escalation {
 public:
  GuardStep Next(SteadyMillis now, SteadyMillis window);
  bool Idle(SteadyMillis now, SteadyMillis window) const { return now - last_ > window; }

 private:
  SteadyMillis last_ = 0;
  int offences_ = 0;
};

}  // namespace zelmo
