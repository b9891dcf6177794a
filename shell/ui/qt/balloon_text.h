#pragma once

#include <QString>
#include <string>

namespace zelmo {

// A tray notice as shown: the title cut to 63 characters, the text to 255,
// a carriage return in the text breaking the line.
struct BalloonText {
  QString title;
  QString text;
};

BalloonText MakeBalloonText(const std::string& title, const std::string& text);

// How long a notice stays, in milliseconds; a time that is not positive
// gets the usual ten seconds.
int BalloonMilliseconds(int seconds);

inline constexpr qsizetype kBalloonTitleLength = 63;
inline constexpr qsizetype kBalloonTextLength = 255;

}  // namespace zelmo
