#include "qt_test_support.h"

#include <signal.h>

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QTimer>

namespace zelmo::testing {

namespace {

// The program takes SIGINT and SIGTERM on a thread of its own with sigwait(),
// which needs them blocked in every thread; it blocks them before the
// toolkit starts its threads, and so does the test process.
QApplication* MakeApplication() {
  static int argc = 1;
  static char name[] = "test_qt";
  static char* argv[] = {name, nullptr};
  sigset_t termination;
  sigemptyset(&termination);
  sigaddset(&termination, SIGINT);
  sigaddset(&termination, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &termination, nullptr);
  return new QApplication(argc, argv);
}

}  // namespace

QApplication& TestApp() {
  // Never destroyed: widgets of a failed test may outlive main().
  static QApplication* application = MakeApplication();
  return *application;
}

bool ProcessEventsUntil(const std::function<bool()>& done, int timeout_ms) {
  TestApp();
  QDeadlineTimer deadline(timeout_ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

namespace {

constexpr int kLookIntervalMs = 10;
constexpr int kMaxLooks = 1000;

QMessageBox* OpenMessageBox() {
  if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) return box;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (box != nullptr && box->isVisible()) return box;
  }
  return nullptr;
}

void Look(std::shared_ptr<SeenBox> seen, std::shared_ptr<bool> alive,
          QMessageBox::StandardButton button, int looks_left) {
  if (!*alive) return;
  QMessageBox* box = OpenMessageBox();
  if (box == nullptr) {
    if (looks_left > 0) {
      QTimer::singleShot(kLookIntervalMs, [=] { Look(seen, alive, button, looks_left - 1); });
    }
    return;
  }
  seen->seen = true;
  seen->title = box->windowTitle();
  seen->text = box->text();
  seen->format = box->textFormat();
  seen->icon = box->icon();
  seen->has_cancel = box->button(QMessageBox::Cancel) != nullptr;
  if (QAbstractButton* target = box->button(button)) {
    target->click();
  } else {
    box->reject();
  }
}

}  // namespace

BoxAnswerer::BoxAnswerer(QMessageBox::StandardButton button)
    : seen_(std::make_shared<SeenBox>()), alive_(std::make_shared<bool>(true)) {
  TestApp();
  auto seen = seen_;
  auto alive = alive_;
  QTimer::singleShot(0, [=] { Look(seen, alive, button, kMaxLooks); });
}

BoxAnswerer::~BoxAnswerer() {
  *alive_ = false;
}

}  // namespace zelmo::testing
