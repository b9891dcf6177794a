#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QAbstractScrollArea>
#include <csignal>
#include <filesystem>

#include "qt_test_support.h"
#include "shell/base/ui_port.h"
#include "shell/ui/qt/log_view.h"
#include "shell/ui/window_module.h"

extern "C" int zelmobot_window_main(int argc, char** argv, zelmo::FormFactory* factory);

namespace zelmo::testing {
namespace {

// What a run of the window saw, kept beyond the form's life.
struct RunRecord {
  std::string caption;
  QSize size;
  QString display_text;
  bool window_visible = false;
  int close_queries = 0;
  int shutdowns = 0;
  int reloads = 0;
  int reopens = 0;
  bool form_released = false;
};

class ScriptedForm : public FakeForm {
 public:
  ScriptedForm(UiPort& port, RunRecord& record) : port_(port), record_(record) {
    port_.SetCaption("ZelmoBot v0.5");
    port_.AppendDisplayLine("[1.1.2026 10:00:00] (Re)Loaded Config file...", clGreen);
  }
  ~ScriptedForm() override {
    record_.close_queries = close_queries;
    record_.shutdowns = shutdowns;
    record_.form_released = true;
  }
  // Each signal asks for the next: SIGHUP, SIGUSR1, then SIGTERM.
  void ReloadBySignal() override {
    ++record_.reloads;
    kill(getpid(), SIGUSR1);
  }
  void ReopenLogs() override {
    ++record_.reopens;
    kill(getpid(), SIGTERM);
  }

  void Look() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() != QStringLiteral("MainForm")) continue;
      record_.caption = widget->windowTitle().toStdString();
      record_.size = widget->size();
      record_.window_visible = widget->isVisible();
      auto* area = widget->findChild<QAbstractScrollArea*>(QStringLiteral("MessageDisplay"));
      if (auto* display = dynamic_cast<LogView*>(area)) {
        display->SelectAll();
        record_.display_text = display->SelectedText();
      }
    }
  }

 private:
  UiPort& port_;
  RunRecord& record_;
};

// Makes a form that runs a script once the event loop is going.
class ScriptedFactory : public FormFactory {
 public:
  using Script = std::function<void(UiPort&, ScriptedForm&)>;
  ScriptedFactory(RunRecord& record, Script script) : record_(record), script_(std::move(script)) {}

  std::unique_ptr<FormHost> CreateForm(UiPort& port) override {
    auto form = std::make_unique<ScriptedForm>(port, record_);
    ScriptedForm* raw = form.get();
    port.PostToUiThread([&port, raw, this] {
      raw->Look();
      script_(port, *raw);
    });
    return form;
  }

 private:
  RunRecord& record_;
  Script script_;
};

int RunWindowMain(FormFactory& factory) {
  TestApp();
  char name[] = "zelmobot";
  char* argv[] = {name, nullptr};
  return zelmobot_window_main(1, argv, &factory);
}

TEST(WindowMain, RunsUntilTheMainWindowCloses) {
  RunRecord record;
  ScriptedFactory factory(record, [](UiPort& port, ScriptedForm& form) {
    form.allow_close = true;
    port.RequestClose();
  });
  EXPECT_EQ(RunWindowMain(factory), 0);
  EXPECT_TRUE(record.form_released);
  EXPECT_EQ(record.caption, "ZelmoBot v0.5");
  EXPECT_EQ(record.size, QSize(696, 480));
  EXPECT_TRUE(record.window_visible);
  EXPECT_EQ(record.display_text, QStringLiteral("[1.1.2026 10:00:00] (Re)Loaded Config file..."));
  EXPECT_EQ(record.close_queries, 1);
  EXPECT_EQ(record.shutdowns, 0);
  EXPECT_EQ(QApplication::applicationName(), QStringLiteral("ZelmoBot"));
}

TEST(WindowMain, ARefusedCloseKeepsTheLoopRunning) {
  RunRecord record;
  ScriptedFactory factory(record, [](UiPort& port, ScriptedForm& form) {
    form.allow_close = false;
    port.RequestClose();  // refused
    // The last message box closing must not end the program either.
    {
      BoxAnswerer answerer(QMessageBox::Ok);
      port.ErrorBox("ZelmoBot", "still here.");
    }
    port.PostToUiThread([&port, &form] {
      form.allow_close = true;
      port.RequestClose();
    });
  });
  EXPECT_EQ(RunWindowMain(factory), 0);
  EXPECT_EQ(record.close_queries, 2);
}

TEST(WindowMain, TerminationSignalsShutDownWithoutAsking) {
  for (int signal_number : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal_number);
    RunRecord record;
    // Sent to the process, as kill and the terminal's Ctrl-C do.
    ScriptedFactory factory(
        record, [signal_number](UiPort&, ScriptedForm&) { kill(getpid(), signal_number); });
    EXPECT_EQ(RunWindowMain(factory), 0);
    EXPECT_EQ(record.shutdowns, 1);
    EXPECT_EQ(record.close_queries, 0);
    EXPECT_TRUE(record.form_released);

    // The signals and SIGPIPE are handed back as they were.
    struct sigaction current {};
    sigaction(signal_number, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
    sigaction(SIGPIPE, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
  }
}

TEST(WindowMain, HangupReloadsAndUserOneReopensWithoutEndingTheRun) {
  RunRecord record;
  ScriptedFactory factory(record, [](UiPort&, ScriptedForm&) { kill(getpid(), SIGHUP); });
  EXPECT_EQ(RunWindowMain(factory), 0);
  EXPECT_EQ(record.reloads, 1);
  EXPECT_EQ(record.reopens, 1);
  EXPECT_EQ(record.shutdowns, 1);
  EXPECT_EQ(record.close_queries, 0);
}

TEST(WindowMain, AFormThatCannotBeMadeEndsTheRun) {
  struct FailingFactory : FormFactory {
    std::unique_ptr<FormHost> CreateForm(UiPort&) override { throw std::runtime_error("no form"); }
  } factory;
  BoxAnswerer answerer(QMessageBox::Ok);
  EXPECT_EQ(RunWindowMain(factory), 1);
  EXPECT_EQ(answerer.Seen().text, QStringLiteral("no form."));
}

// The built module must load on its own: it may use nothing of the core
// library, which the program does not export to it.
TEST(WindowModule, LoadsAndHasItsEntry) {
  const std::filesystem::path module = std::filesystem::path(ZELMO_BINARY_DIR) / kWindowModuleFile;
  if (!std::filesystem::exists(module)) GTEST_SKIP() << "module not built: " << module;
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  EXPECT_NE(dlsym(handle, kWindowMainSymbol), nullptr);
  dlclose(handle);
}

}  // namespace
}  // namespace zelmo::testing
