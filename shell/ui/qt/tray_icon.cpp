#include "shell/ui/qt/tray_icon.h"

#include "shell/ui/qt/app_icon.h"
#include "shell/ui/qt/application_name.h"
#include "shell/ui/qt/balloon_text.h"
#include "shell/ui/qt/status_line.h"

namespace zelmo {

namespace {

QSystemTrayIcon::MessageIcon MessageIconFor(BalloonIcon icon) {
  switch (icon) {
    case BalloonIcon::Info:
      return QSystemTrayIcon::Information;
    case BalloonIcon::Warning:
      return QSystemTrayIcon::Warning;
    case BalloonIcon::Error:
      return QSystemTrayIcon::Critical;
    case BalloonIcon::None:
      break;
  }
  return QSystemTrayIcon::NoIcon;
}

}  // namespace

TrayIcon::TrayIcon(StatusLine& fallback, std::function<void()> on_activated, QObject* parent)
    : QSystemTrayIcon(parent), fallback_(fallback) {
  setObjectName(QStringLiteral("TrayIcon"));
  setIcon(MakeAppIcon());
  setToolTip(ApplicationName());
  // Left, right, middle and double clicks all bring the window back.
  connect(this, &QSystemTrayIcon::activated, this,
          [handler = std::move(on_activated)](QSystemTrayIcon::ActivationReason) {
            if (handler) handler();
          });
  if (DesktopHasTray()) show();
}

bool TrayIcon::DesktopHasTray() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                           int seconds) {
  const BalloonText shown = MakeBalloonText(title, text);
  const int milliseconds = BalloonMilliseconds(seconds);
  if (DesktopHasTray() && isVisible()) {
    showMessage(shown.title, shown.text, MessageIconFor(icon), milliseconds);
    return;
  }
  fallback_.ShowFor(shown.title + QStringLiteral(": ") + shown.text, milliseconds);
}

}  // namespace zelmo
