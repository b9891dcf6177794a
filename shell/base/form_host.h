#pragma once

#include <memory>
#include <string>

namespace zelmo {

class UiPort;

// What a front end calls on the bot's main form. All calls come on the
// user-interface thread.
class FormHost {
 public:
  virtual ~FormHost() = default;

  // The operator pressed Enter in the input box; the line is the one that
  // Enter hands over (LineForEnter, ConsoleLines).
  virtual void UserInputEntered(const std::string& line) = 0;

  // The window was asked to close: asks for confirmation and, on OK, shuts
  // down. Returns true when the window may close.
  virtual bool FormCloseQuery() = 0;

  // Shuts down as after OK in the close confirmation, without asking
  // (a termination signal).
  virtual void Shutdown() = 0;

  // SIGHUP: reloads the configuration as RELOAD does.
  virtual void ReloadBySignal() {}
  // SIGUSR1: reopens the files the bot writes to, once they were moved
  // away (log rotation).
  virtual void ReopenLogs() {}
};

// Creates the main form on a front end's port; the form writes its opening
// lines at once. The port outlives the form.
class FormFactory {
 public:
  virtual ~FormFactory() = default;
  virtual std::unique_ptr<FormHost> CreateForm(UiPort& port) = 0;
};

}  // namespace zelmo
