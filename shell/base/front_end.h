#pragma once

#include <functional>
#include <memory>

namespace zelmo {

class FormFactory;
class FormHost;
class UiPort;

// A front end as the run of the bot sees it: the port that the form draws on
// and the event loop that the form runs in.
class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  virtual UiPort& Port() = 0;
  // Runs the event loop with the form until the form has let the window
  // close, or until a termination signal has shut the form down without
  // asking.
  virtual void Run(FormHost& form) = 0;
  // The process is about to end at once (a second termination signal):
  // puts back what the front end changed outside the process, such as a
  // terminal's mode. Called on another thread than the loop's.
  virtual void BeforeHardExit() {}
};

// Makes a front end whose event loop watches signal_fd, which turns readable
// once a signal has come (ReadSignalRequests says which).
using FrontEndMaker = std::function<std::unique_ptr<FrontEnd>(int signal_fd)>;

// Without a form there is no bot to run.
inline constexpr int kFormFailedExitCode = 1;

// Runs the bot on a front end; returns the process exit code. Termination
// signals are taken before the front end is made, so every thread it starts
// leaves them to the signal thread, and a signal that comes while the form
// starts up shuts it down as soon as the loop runs. A form that cannot be
// made is shown in the error box and ends the run with kFormFailedExitCode.
int RunFrontEnd(FormFactory& factory, const FrontEndMaker& make);

}  // namespace zelmo
