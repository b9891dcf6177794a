#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/base/errors.h"

namespace zelmo {

// A command line the program does not understand; the text says why.
class UsageError : public Exception {
 public:
  using Exception::Exception;
};

enum class StartAction { Run, ShowVersion, ShowHelp, AddUser, CheckConfig, Attach, Command };

struct StartOptions {
  StartAction action = StartAction::Run;
  bool headless = false;
  // The folder given with --data-dir, as written.
  std::optional<std::string> data_dir;
  // --add-user NAME and --owner: the user to add, and with which rights.
  std::string new_user;
  bool owner = false;
  // --command LINE: the console input to send.
  std::string command;
};

// Reads the arguments after the program name. --help and --version win over
// everything after them; anything unknown raises UsageError, and so does
// --owner without --add-user.
StartOptions ParseStartOptions(const std::vector<std::string>& args);

std::string UsageText();
std::string VersionText();

}  // namespace zelmo
