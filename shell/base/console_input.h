#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelmo {

// The longest console input taken, in characters; the rest of a longer line
// is dropped.
inline constexpr std::size_t kMaxConsoleInput = 4096;
// The most bytes that many characters take in UTF-8.
inline constexpr std::size_t kMaxConsoleInputBytes = 4 * kMaxConsoleInput;

// The first kMaxConsoleInput characters of an input line. A well-formed
// UTF-8 sequence is one character and any other byte is one (a Latin-1
// letter), so the cut never splits a character.
std::string CutConsoleInput(std::string_view line);

// The operator's input box keeps every line typed, and Enter hands the form
// the last line of the box that holds text, cut by CutConsoleInput: a last
// line that is still empty (the caret on the fresh line after an earlier
// Enter) does not count, so Enter there hands the line above over again. A
// box without text gives the empty text.

// Enter in a box holding this text, the key not yet landed. Lines end at LF
// or CR LF.
std::string LineForEnter(std::string_view box_text);

// A console whose box comes line by line, each line typed and ended by Enter
// (standard input). Of the box it keeps only what a later Enter can still
// take: its last line that holds text.
class ConsoleLines {
 public:
  // The operator typed the line (without its line end) and pressed Enter;
  // returns what Enter hands over.
  std::string Enter(std::string_view typed);

 private:
  std::string last_holding_text_;
};

}  // namespace zelmo
