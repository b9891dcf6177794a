#pragma once

#include <QSystemTrayIcon>
#include <functional>
#include <string>

#include "shell/base/ui_port.h"

namespace zelmo {

class StatusLine;

// The notification-area icon. Shown whenever the desktop has a tray; any
// click on it calls the activation handler. Notices go to the tray, or to
// the window's status line where there is no tray.
class TrayIcon : public QSystemTrayIcon {
 public:
  TrayIcon(StatusLine& fallback, std::function<void()> on_activated, QObject* parent = nullptr);

  static bool DesktopHasTray();

  void ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                   int seconds);

 private:
  StatusLine& fallback_;
};

}  // namespace zelmo
