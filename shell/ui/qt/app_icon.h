#pragma once

#include <QIcon>

namespace zelmo::qtui {

// The bot's icon for the window and the tray, drawn so that the module
// needs no image files.
QIcon MakeAppIcon();

}  // namespace zelmo::qtui
