#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/base/colors.h"
#include "shell/base/config_keys.h"
#include "shell/base/display_entry.h"

namespace zelmo {

class UiPort;

// The lines a display keeps unless [Display] MaxLines says otherwise.
inline constexpr int kDefaultDisplayMaxLines = DefaultNumber(config::kMaxLines);

// The operator's log: every line is "[" + local date and time + "] " + text,
// appended in the current insertion colour.
class TMessageDisplay {
 public:
  explicit TMessageDisplay(UiPort& port);

  void DisplayLines(const std::vector<std::string>& texts);
  void DisplayLine(const std::string& text) { DisplayLines(std::vector<std::string>{text}); }
  void DisplayColoredLines(const std::vector<std::string>& texts, TextClass text_class);
  void DisplayColoredLine(const std::string& text, TextClass text_class) {
    DisplayColoredLines(std::vector<std::string>{text}, text_class);
  }
  void Clear();

  void SetBackground(TColor color);
  void SetFontFace(const std::string& face);
  // Older lines beyond the count are dropped; 0 keeps them all.
  void SetMaxLines(int count);

  // The colour of the class during a coloured write, NormalColor at any
  // other time, whatever a configuration load left half done.
  TColor InsertionColor() const { return class_color_.value_or(NormalColor); }

  // The four text colours, set by the configuration load.
  TColor NormalColor = clBlack;
  TColor ImportantColor = clGreen;
  TColor DangerousColor = clOlive;
  TColor ErrorousColor = clRed;

 private:
  void Append(const std::string& text, TextClass text_class);

  UiPort& port_;
  std::optional<TColor> class_color_;  // only while a coloured write lasts
};

}  // namespace zelmo
