#include "shell/display.h"

#include "shell/datetime.h"
#include "shell/ui_port.h"

namespace zelmo {

MessageDisplay::MessageDisplay(UiPort& port) : port_(port) {}

void MessageDisplay::Append(const std::string& text) {
  port_.AppendDisplayLine("[" + NowText() + "] " + text, insertion_color_);
}

void MessageDisplay::DisplayLines(const std::vector<std::string>& texts) {
  for (const std::string& text : texts) Append(text);
}

void MessageDisplay::DisplayColoredLines(const std::vector<std::string>& texts,
                                         TextClass text_class) {
  switch (text_class) {
    case Important:
      insertion_color_ = ImportantColor;
      break;
    case Dangerous:
      insertion_color_ = DangerousColor;
      break;
    case Errorous:
      insertion_color_ = ErrorousColor;
      break;
    default:
      break;
  }
  // The insertion colour must end as the normal colour even when the
  // front end fails to append.
  struct RestoreNormal {
    MessageDisplay& display;
    ~RestoreNormal() { display.insertion_color_ = display.NormalColor; }
  } restore{*this};
  DisplayLines(texts);
}

void MessageDisplay::Clear() { port_.ClearDisplay(); }

void MessageDisplay::SetBackground(TColor color) { port_.SetDisplayBackground(color); }

void MessageDisplay::SetFontFace(const std::string& face) { port_.SetDisplayFont(face); }

}  // namespace zelmo
