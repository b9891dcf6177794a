#include "shell/ui/qt/main_window.h"

#include <QCloseEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "shell/base/form_host.h"
#include "shell/ui/qt/app_icon.h"
#include "shell/ui/qt/guarded_call.h"
#include "shell/ui/qt/input_box.h"
#include "shell/ui/qt/log_view.h"
#include "shell/ui/qt/status_line.h"
#include "shell/ui/qt/tray_icon.h"

namespace zelmo {

MainWindow::MainWindow()
    : display_(new LogView(this)), input_(new InputBox(this)), status_(new StatusLine(this)) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowIcon(MakeAppIcon());
  resize(kStartWidth, kStartHeight);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(display_, 1);
  layout->addWidget(input_);
  layout->addWidget(status_);

  tray_ = new TrayIcon(
      *status_, [this] { BringBack(); }, this);
  input_->SetEnterHandler([this](const std::string& line) { HandOverInput(line); });
  setFocusProxy(input_);
  input_->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::ShowBalloon(const std::string& title, const std::string& text, BalloonIcon icon,
                             int seconds) {
  tray_->ShowBalloon(title, text, icon, seconds);
}

void MainWindow::BringBack() {
  showNormal();
  raise();
  activateWindow();
}

void MainWindow::HandOverInput(const std::string& line) {
  if (host_ == nullptr) return;
  GuardedCall(this, [&] { host_->UserInputEntered(line); });
}

bool MainWindow::MayClose() {
  if (host_ == nullptr) return true;
  bool may_close = false;
  GuardedCall(this, [&] { may_close = host_->FormCloseQuery(); });
  return may_close;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A second close while the confirmation is open waits for its answer.
  if (asking_to_close_) {
    event->ignore();
    return;
  }
  asking_to_close_ = true;
  const bool may_close = MayClose();
  asking_to_close_ = false;
  if (!may_close) {
    event->ignore();
    return;
  }
  event->accept();
  emit Closed();
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // Without a tray a hidden window could not be reached again, so it then
  // stays an ordinary minimised window. Hiding waits for the state change
  // to finish.
  if (isMinimized() && TrayIcon::DesktopHasTray() && tray_->isVisible()) {
    QTimer::singleShot(0, this, [this] {
      if (isMinimized()) hide();
    });
  }
}

}  // namespace zelmo
