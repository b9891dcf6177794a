#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/base/form_host.h"

namespace zelmo::testing {

// The one application object of the test process, made on first use and
// kept to the end (the offscreen platform is chosen by the test's
// environment).
QApplication& TestApp();

// Runs the event loop until the condition holds or the time is up.
bool ProcessEventsUntil(const std::function<bool()>& done, int timeout_ms = 5000);

// What a modal message box showed before the answerer pressed its button.
struct SeenBox {
  bool seen = false;
  QString title, text;
  Qt::TextFormat format = Qt::AutoText;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool has_cancel = false;
};

// Watches for the next modal message box and presses the given button on
// it. Must be made before the box opens; gives up after a bounded number of
// looks (ten seconds).
class BoxAnswerer {
 public:
  explicit BoxAnswerer(QMessageBox::StandardButton button);
  ~BoxAnswerer();
  const SeenBox& Seen() const { return *seen_; }

 private:
  std::shared_ptr<SeenBox> seen_;
  std::shared_ptr<bool> alive_;
};

// A form of the tests' own: records what the front end hands it.
class FakeForm : public FormHost {
 public:
  void UserInputEntered(const std::string& line) override { inputs.push_back(line); }
  bool FormCloseQuery() override {
    ++close_queries;
    return allow_close;
  }
  void Shutdown() override { ++shutdowns; }

  std::vector<std::string> inputs;
  bool allow_close = true;
  int close_queries = 0;
  int shutdowns = 0;
};

}  // namespace zelmo::testing
