#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "shell/base/console_input.h"

namespace zelmo {

// Splits what arrives on a file descriptor into console input lines. A line
// ends at LF; a CR right before the LF is dropped; of a line only its first
// kMaxConsoleInputBytes bytes are kept, enough for the longest console input
// in any encoding, and the rest of it is skipped. The last line of the input
// counts even without LF.
class LineReader {
 public:
  explicit LineReader(int fd);

  // Reads once from the descriptor (blocks only when nothing is there, so
  // call it after poll reported it readable). Returns false once the input
  // has ended or failed; lines read before stay available.
  bool Fill();

  // The next complete line, if one is there.
  std::optional<std::string> Next();
  bool HasLine() const { return !lines_.empty(); }

  // End of input seen (every line may not have been taken yet).
  bool Ended() const { return ended_; }

  // Splits bytes as if they had been read (for callers that read themselves).
  void Feed(std::string_view bytes);
  void FeedEnd();

 private:
  void EndLine();

  int fd_;
  std::deque<std::string> lines_;
  std::string partial_;
  bool overflow_ = false;
  bool ended_ = false;
};

}  // namespace zelmo
