#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zelmo {

// A script that fails on every message must not flood the operator's
// display: each script may show a few error lines a minute, then one line
// saying that more were left out, then nothing until the minute is over.
class ErrorLineLimiter {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr int kLinesPerWindow = 5;
  static constexpr Clock::duration kWindow = std::chrono::minutes(1);

  enum class Verdict { Show, ShowLeftOut, Drop };
  Verdict Take(Clock::time_point now);

 private:
  Clock::time_point window_start_{};
  int shown_ = 0;
  bool told_left_out_ = false;
};

// The texts of a script's failures, each one line of bounded length.
std::string ScriptLine(const std::string& script, const std::string& message);
std::string StepsLine(const std::string& script, std::int64_t max_steps);
std::string MemoryLine(const std::string& script, std::size_t max_memory);
std::string LeftOutLine(const std::string& script);

// A script's text for the operator's display as one line: line breaks
// become spaces, and a text longer than the bound is cut (at a character
// boundary), so a script can neither forge display lines nor flood them.
inline constexpr std::size_t kMaxErrorText = 300;
inline constexpr std::size_t kMaxDisplayText = 1000;
std::string OneLine(std::string text, std::size_t most = kMaxErrorText);

// "16 MiB" or "64 KiB" for a whole number of them, else "1500000 bytes".
std::string SizeText(std::size_t bytes);

}  // namespace zelmo
