#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <clocale>
#include <memory>
#include <optional>
#include <type_traits>

#include "shell/base/form_host.h"
#include "shell/base/termination_signals.h"
#include "shell/ui/qt/app_icon.h"
#include "shell/ui/qt/application_name.h"
#include "shell/ui/qt/guarded_call.h"
#include "shell/ui/qt/main_window.h"
#include "shell/ui/qt/qt_port.h"
#include "shell/ui/window_module.h"

namespace zelmo {

// Without a form there is no bot to run.
constexpr int kFormFailedExitCode = 1;

namespace {

int RunWindow(FormFactory& factory, int signal_fd) {
  // The application name only: a display name would be appended to every
  // window title, and the caption is the logic's to set.
  QApplication::setApplicationName(ApplicationName());
  QApplication::setWindowIcon(MakeAppIcon());
  // Hidden in the tray, the window is no reason to stop, and neither is the
  // last message box closing; only the main window's accepted close ends
  // the loop.
  QApplication::setQuitOnLastWindowClosed(false);

  auto window = std::make_unique<MainWindow>();
  auto port = std::make_unique<QtPort>(*window);
  std::unique_ptr<FormHost> form;

  // exit() rather than quit(): quit() would first try to close the windows,
  // which asks the operator again.
  QObject::connect(window.get(), &MainWindow::Closed, window.get(),
                   [] { QCoreApplication::exit(0); });
  QSocketNotifier signal_notifier(signal_fd, QSocketNotifier::Read);
  QObject::connect(&signal_notifier, &QSocketNotifier::activated, window.get(), [&] {
    signal_notifier.setEnabled(false);
    char bytes[64];
    [[maybe_unused]] ssize_t ignored = read(signal_fd, bytes, sizeof bytes);
    if (form) GuardedCall(window.get(), [&] { form->Shutdown(); });
    QCoreApplication::exit(0);
  });

  if (!GuardedCall(window.get(), [&] { form = factory.CreateForm(*port); })) {
    return kFormFailedExitCode;
  }
  window->SetHost(form.get());
  window->show();
  const int exit_code = QApplication::exec();

  // The form uses the port and the window until it is gone.
  window->SetHost(nullptr);
  form.reset();
  port.reset();
  window.reset();
  return exit_code;
}

}  // namespace

}  // namespace zelmo

extern "C" Q_DECL_EXPORT int zelmobot_window_main(int argc, char** argv,
                                                  zelmo::FormFactory* factory) {
  static_assert(std::is_same_v<decltype(zelmobot_window_main), ZelmoWindowMain>);
  if (factory == nullptr) return zelmo::kFormFailedExitCode;
  // Before the application, which starts the toolkit's threads.
  zelmo::TerminationSignals termination;
  // A host that already made the application (a test) keeps it.
  std::optional<QApplication> application;
  if (QCoreApplication::instance() == nullptr) {
    application.emplace(argc, argv);
    // The toolkit takes every locale category from the environment; numbers
    // stay in the C format.
    std::setlocale(LC_NUMERIC, "C");
  }
  return zelmo::RunWindow(*factory, termination.ReadFd());
}
