#include "shell/base/display.h"

#include "shell/base/convert.h"
#include "shell/base/datetime.h"
#include "shell/base/errors.h"
#include "shell/base/ui_port.h"

namespace zelmo {

TMessageDisplay::TMessageDisplay(UiPort& port) : port_(port) {}

void TMessageDisplay::Append(const std::string& text, TextClass text_class) {
  port_.AppendDisplayEntry(DisplayEntry{NowText(), text, InsertionColor(), text_class});
}

void TMessageDisplay::DisplayLines(const std::vector<std::string>& texts) {
  for (const std::string& text : texts) Append(text, Normal);
}

void TMessageDisplay::DisplayColoredLines(const std::vector<std::string>& texts,
                                          TextClass text_class) {
  switch (text_class) {
    case Important:
      class_color_ = ImportantColor;
      break;
    case Dangerous:
      class_color_ = DangerousColor;
      break;
    case Errorous:
      class_color_ = ErrorousColor;
      break;
    default:
      // The colour stays, and so does the plain writer's class.
      text_class = Normal;
      break;
  }
  // The insertion colour must end as the normal colour even when the
  // front end fails to append.
  struct RestoreNormal {
    TMessageDisplay& display;
    ~RestoreNormal() { display.class_color_.reset(); }
  } restore{*this};
  for (const std::string& text : texts) Append(text, text_class);
}

void TMessageDisplay::Clear() {
  port_.ClearDisplay();
}

void TMessageDisplay::SetBackground(TColor color) {
  port_.SetDisplayBackground(color);
}

void TMessageDisplay::SetMaxLines(int count) {
  port_.SetDisplayMaxLines(count);
}

void TMessageDisplay::SetFontFace(const std::string& face) {
  port_.SetDisplayFont(face);
}

}  // namespace zelmo
