#include "shell/ui/qt/balloon_text.h"

#include <limits>

#include "shell/ui/qt/text_bytes.h"

namespace zelmo {

BalloonText MakeBalloonText(const std::string& title, const std::string& text) {
  QString lines = CutText(TextFromBytes(text), kBalloonTextLength);
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return {CutText(TextFromBytes(title), kBalloonTitleLength), lines};
}

int BalloonMilliseconds(int seconds) {
  constexpr int kDefaultSeconds = 10;
  constexpr int kLongest = std::numeric_limits<int>::max() / 1000;
  if (seconds <= 0) seconds = kDefaultSeconds;
  if (seconds > kLongest) seconds = kLongest;
  return seconds * 1000;
}

}  // namespace zelmo
