#pragma once

#include <QString>

namespace zelmo {

// The application's title: the task bar text and the title of the front
// end's own error boxes.
inline QString ApplicationName() {
  return QStringLiteral("ZelmoBot");
}

}  // namespace zelmo
