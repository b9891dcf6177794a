#pragma once

#include <string>
#include <vector>

#include "shell/ui/terminal/control_server.h"

namespace zelmo {

// The path of the control socket of the bot on this data folder.
std::string ControlSocketPath(const std::string& data_folder);
// Where a console looks for that socket (ConsoleSearchFolders).
std::vector<std::string> ConsoleSocketPaths(const std::string& data_folder);

// The bot's listening control socket, as [Control] in Config.ini asks.
struct ControlSetup {
  int fd = -1;  // -1: no socket
  std::string path;
  ControlLimits limits;
};

// Listens on the bot's control socket unless [Control] Socket is off. A
// socket that cannot be made is a line on standard error and no socket;
// another bot answering on it raises EBotRunning.
ControlSetup SetUpControlSocket(const std::string& data_folder);

}  // namespace zelmo
