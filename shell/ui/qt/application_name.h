#pragma once

#include <QString>

namespace zelmo {

// The application's name: the task bar text and the tray icon's tip.
inline QString ApplicationName() {
  return QStringLiteral("ZelmoBot");
}

}  // namespace zelmo
