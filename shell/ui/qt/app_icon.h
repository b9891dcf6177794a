#pragma once

#include <QIcon>

namespace zelmo {

// The bot's icon for the window and the tray, drawn so that the module
// needs no image files.
QIcon MakeAppIcon();

}  // namespace zelmo
