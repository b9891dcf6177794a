#include "channel/flood_counters.h"

#include <algorithm>

namespace zelmo {
namespace {

constexpr char kBold = '\x02';
constexpr char kColour = '\x03';
constexpr char kReset = '\x0F';
constexpr char kReverse = '\x16';
constexpr char kItalics = '\x1D';
constexpr char kUnderline = '\x1F';

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Past the one or two digits of a colour number at `at`.
std::size_t SkipColourNumber(std::string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && end - at < 2 && IsDigit(text[end])) ++end;
  return end;
}

// Past a colour code's "fg[,bg]"; a comma without digits after it is text.
std::size_t SkipColour(std::string_view text, std::size_t at) {
  at = SkipColourNumber(text, at);
  if (at + 1 < text.size() && text[at] == ',' && IsDigit(text[at + 1])) {
    at = SkipColourNumber(text, at + 1);
  }
  return at;
}

}  // namespace

bool RateWindow::Hit(SteadyMillis now, int limit, SteadyMillis window) {
  if (limit <= 0) return false;
  const SteadyMillis share = (window + limit - 1) / limit;
  booked_until_ = std::max(booked_until_, now) + share;
  if (booked_until_ - now <= share * limit) return false;
  booked_until_ = now;
  return true;
}

std::uint64_t TextFingerprint(std::string_view text) {
  // FNV-1a over the bytes that remain.
  std::uint64_t hash = 14695981039346656037ULL;
  std::size_t at = 0;
  while (at < text.size()) {
    const char c = text[at++];
    if (c == kColour) {
      at = SkipColour(text, at);
      continue;
    }
    if (c == kBold || c == kReset || c == kReverse || c == kItalics || c == kUnderline) continue;
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    hash = (hash ^ static_cast<unsigned char>(lower)) * 1099511628211ULL;
  }
  return hash;
}

bool RepeatCounter::Said(std::uint64_t fingerprint, SteadyMillis now, int repeats,
                         SteadyMillis window) {
  if (repeats <= 0) return false;
  if (count_ == 0 || fingerprint != fingerprint_ || now - last_ > window) {
    fingerprint_ = fingerprint;
    count_ = 0;
  }
  last_ = now;
  if (++count_ < repeats) return false;
  count_ = 0;
  return true;
}

GuardStep Escalation::Next(SteadyMillis now, SteadyMillis window) {
  if (offences_ > 0 && now - last_ > window) offences_ = 0;
  last_ = now;
  offences_ = std::min(offences_ + 1, 3);
  return offences_ == 1 ? GuardStep::kWarn : offences_ == 2 ? GuardStep::kKick : GuardStep::kBan;
}

}  // namespace zelmo
