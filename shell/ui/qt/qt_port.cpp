#include "shell/ui/qt/qt_port.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>

#include "shell/ui/qt/dialogs.h"
#include "shell/ui/qt/guarded_call.h"
#include "shell/ui/qt/log_view.h"
#include "shell/ui/qt/main_window.h"
#include "shell/ui/qt/palette_colors.h"
#include "shell/ui/qt/qt_timer.h"
#include "shell/ui/qt/text_bytes.h"

namespace zelmo {

namespace {

// "[*]" in a window title marks unsaved changes; a doubled one shows as
// written.
QString LiteralWindowTitle(const QString& caption) {
  QString title = caption;
  title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  return title;
}

}  // namespace

QtPort::QtPort(MainWindow& window) : window_(window) {}

void QtPort::AppendDisplayLine(const std::string& line, TColor color) {
  window_.Display().AppendLine(LogLineFromBytes(line),
                               ColorFor(color, QGuiApplication::palette(), QPalette::Text));
}

void QtPort::ClearDisplay() {
  window_.Display().ClearLines();
}

void QtPort::SetDisplayBackground(TColor color) {
  window_.Display().SetBackground(ColorFor(color, QGuiApplication::palette(), QPalette::Base));
}

void QtPort::SetDisplayMaxLines(int count) {
  window_.Display().SetMaxLines(count);
}

void QtPort::SetDisplayFont(const std::string& face) {
  window_.Display().SetFontFace(TextFromBytes(face));
}

void QtPort::SetCaption(const std::string& caption) {
  window_.setWindowTitle(LiteralWindowTitle(TextFromBytes(caption)));
}

bool QtPort::Question(const std::string& title, const std::string& text) {
  return AskQuestion(&window_, TextFromBytes(title), TextFromBytes(text));
}

void QtPort::ErrorBox(const std::string& title, const std::string& text) {
  ShowErrorBox(&window_, TextFromBytes(title), TextFromBytes(text));
}

void QtPort::Balloon(const std::string& title, const std::string& text, BalloonIcon icon,
                     int seconds) {
  window_.ShowBalloon(title, text, icon, seconds);
}

std::unique_ptr<UiTimer> QtPort::CreateTimer(std::function<void()> on_tick) {
  return std::make_unique<QtTimer>(std::move(on_tick));
}

void QtPort::PostToUiThread(std::function<void()> task) {
  QMetaObject::invokeMethod(
      &task_receiver_, [this, task = std::move(task)] { GuardedCall(&window_, task); },
      Qt::QueuedConnection);
}

void QtPort::RequestClose() {
  window_.close();
}

bool QtPort::OnUiThread() const {
  const QCoreApplication* application = QCoreApplication::instance();
  return application != nullptr && QThread::currentThread() == application->thread();
}

}  // namespace zelmo
