#include <QApplication>
#include <QSocketNotifier>
#include <clocale>
#include <memory>
#include <optional>
#include <type_traits>

#include "shell/base/form_host.h"
#include "shell/base/front_end.h"
#include "shell/base/termination_signals.h"
#include "shell/ui/qt/app_icon.h"
#include "shell/ui/qt/application_name.h"
#include "shell/ui/qt/guarded_call.h"
#include "shell/ui/qt/main_window.h"
#include "shell/ui/qt/qt_port.h"
#include "shell/ui/window_module.h"

namespace zelmo {

namespace {

// The window front end: the application (unless its host made one), the
// main window and its port.
class WindowFrontEnd : public FrontEnd {
 public:
  WindowFrontEnd(int argc, char** argv, int signal_fd) : argc_(argc), signal_fd_(signal_fd) {
    // A host that already made the application (a test) keeps it.
    if (QCoreApplication::instance() == nullptr) {
      application_.emplace(argc_, argv);
      // The toolkit takes every locale category from the environment;
      // numbers stay in the C format.
      std::setlocale(LC_NUMERIC, "C");
    }
    // The application name only: a display name would be appended to every
    // window title, and the caption is the logic's to set.
    QApplication::setApplicationName(ApplicationName());
    QApplication::setWindowIcon(MakeAppIcon());
    // Hidden in the tray, the window is no reason to stop, and neither is
    // the last message box closing; only the main window's accepted close
    // ends the loop.
    QApplication::setQuitOnLastWindowClosed(false);
    window_ = std::make_unique<MainWindow>();
    port_ = std::make_unique<QtPort>(*window_);
  }

  UiPort& Port() override { return *port_; }

  void Run(FormHost& form) override {
    // exit() rather than quit(): quit() would first try to close the
    // windows, which asks the operator again.
    QObject::connect(window_.get(), &MainWindow::Closed, window_.get(),
                     [] { QCoreApplication::exit(0); });
    QSocketNotifier termination(signal_fd_, QSocketNotifier::Read);
    QObject::connect(&termination, &QSocketNotifier::activated, window_.get(), [&] {
      const SignalRequests requests = ReadSignalRequests(signal_fd_);
      if (!requests.shutdown) {
        if (requests.reload) GuardedCall(window_.get(), [&] { form.ReloadBySignal(); });
        if (requests.reopen_logs) GuardedCall(window_.get(), [&] { form.ReopenLogs(); });
        return;
      }
      termination.setEnabled(false);
      GuardedCall(window_.get(), [&] { form.Shutdown(); });
      QCoreApplication::exit(0);
    });
    window_->SetHost(&form);
    window_->show();
    QApplication::exec();
    // The form uses the window until it is gone.
    window_->SetHost(nullptr);
  }

 private:
  int argc_;  // the application keeps a reference to it
  int signal_fd_;
  std::optional<QApplication> application_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<QtPort> port_;
};

}  // namespace

}  // namespace zelmo

extern "C" Q_DECL_EXPORT int zelmobot_window_main(int argc, char** argv,
                                                  zelmo::FormFactory* factory) {
  static_assert(std::is_same_v<decltype(zelmobot_window_main), ZelmoWindowMain>);
  if (factory == nullptr) return zelmo::kFormFailedExitCode;
  return zelmo::RunFrontEnd(*factory, [argc, argv](int signal_fd) {
    return std::make_unique<zelmo::WindowFrontEnd>(argc, argv, signal_fd);
  });
}
