#pragma once

#include <functional>
#include <memory>
#include <string>

#include "shell/base/colors.h"
#include "shell/base/display_entry.h"

namespace zelmo {

enum class BalloonIcon { None, Info, Warning, Error };

// A timer whose ticks arrive on the user-interface thread. Created disabled.
class UiTimer {
 public:
  virtual ~UiTimer() = default;
  virtual void SetInterval(int milliseconds) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
};

// Everything the bot's logic needs of a window toolkit. The logic runs on
// the toolkit's user-interface thread; only PostToUiThread may be called from
// any thread.
class UiPort {
 public:
  virtual ~UiPort() = default;

  // The message display: one appended line per call, in its own colour.
  virtual void AppendDisplayLine(const std::string& line, TColor color) = 0;
  // What the display writes: a front end that needs the stamp or the class
  // apart overrides this; the others show the line.
  virtual void AppendDisplayEntry(const DisplayEntry& entry) {
    AppendDisplayLine(entry.Line(), entry.color);
  }
  virtual void ClearDisplay() = 0;
  virtual void SetDisplayBackground(TColor color) = 0;
  virtual void SetDisplayFont(const std::string& face) = 0;
  // The most lines the display keeps, the oldest dropped first; 0 keeps
  // every line. Applies at once to the lines already shown.
  virtual void SetDisplayMaxLines(int count) = 0;
  virtual void SetCaption(const std::string& caption) = 0;

  // Modal boxes. Question returns true for OK, false for Cancel.
  virtual bool Question(const std::string& title, const std::string& text) = 0;
  virtual void ErrorBox(const std::string& title, const std::string& text) = 0;

  // A tray notice; a new one replaces the one shown. Never fails, also
  // where the desktop has no notification area.
  virtual void Balloon(const std::string& title, const std::string& text, BalloonIcon icon,
                       int seconds) = 0;

  virtual std::unique_ptr<UiTimer> CreateTimer(std::function<void()> on_tick) = 0;

  // Queues a function for the user-interface thread; safe from any thread.
  // Functions run in the order they were posted.
  virtual void PostToUiThread(std::function<void()> task) = 0;

  // Asks the main window to close; the close confirmation follows.
  virtual void RequestClose() = 0;

  // Runs a function on the user-interface thread and returns once it has
  // run there; an exception it raises is raised again in the caller. On the
  // user-interface thread itself the function runs at once.
  void RunOnUiThreadAndWait(const std::function<void()>& task);

  // Whether the calling thread is the user-interface thread.
  virtual bool OnUiThread() const = 0;
};

}  // namespace zelmo
