#pragma once

#include <string>

#include "shell/base/colors.h"

namespace zelmo {

// The coloured writer numbers its classes 0 to 2; Normal is what the plain
// writer uses. Any other value leaves the insertion colour as it is.
enum TextClass : int { Important = 0, Dangerous = 1, Errorous = 2, Normal = 3 };

// One line of the operator's log as the display writes it. The stamp and the
// class travel apart from the text, so that an output with stamps and
// priorities of its own (the journal) can use them instead.
struct DisplayEntry {
  std::string stamp;
  std::string text;
  TColor color = clBlack;
  TextClass text_class = Normal;

  // The line as the display shows it.
  std::string Line() const { return "[" + stamp + "] " + text; }
};

}  // namespace zelmo
