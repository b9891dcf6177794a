#include "shell/scripts/lua/error_lines.h"

namespace zelmo {

ErrorLineLimiter::Verdict ErrorLineLimiter::Take(Clock::time_point now) {
  if (shown_ == 0 || now - window_start_ >= kWindow) {
    window_start_ = now;
    shown_ = 0;
    told_left_out_ = false;
  }
  if (shown_ < kLinesPerWindow) {
    ++shown_;
    return Verdict::Show;
  }
  if (told_left_out_) return Verdict::Drop;
  told_left_out_ = true;
  return Verdict::ShowLeftOut;
}

std::string OneLine(std::string text, std::size_t most) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  if (text.size() <= most) return text;
  std::size_t cut = most;
  // Back up over UTF-8 continuation bytes so no character is split.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text + "...";
}

std::string SizeText(std::size_t bytes) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  constexpr std::size_t kKiB = std::size_t{1} << 10;
  if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  if (bytes >= kKiB && bytes % kKiB == 0) return std::to_string(bytes / kKiB) + " KiB";
  return std::to_string(bytes) + " bytes";
}

std::string ScriptLine(const std::string& script, const std::string& message) {
  return "Script " + script + ": " + OneLine(message);
}

std::string StepsLine(const std::string& script, std::int64_t max_steps) {
  return ScriptLine(script, "ran past its " + std::to_string(max_steps) + " steps");
}

std::string MemoryLine(const std::string& script, std::size_t max_memory) {
  return ScriptLine(script, "ran past its memory cap of " + SizeText(max_memory));
}

std::string LeftOutLine(const std::string& script) {
  return ScriptLine(script, "more errors left out for a minute");
}

}  // namespace zelmo
