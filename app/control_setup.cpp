#include "app/control_setup.h"

#include <cstdlib>
#include <iostream>

#include "app/runtime_folder.h"
#include "shell/base/config_keys.h"
#include "shell/base/config_read.h"
#include "shell/base/control_socket.h"
#include "shell/base/ini_file.h"

namespace zelmo {

std::string ControlSocketPath(const std::string& data_folder) {
  return RuntimeFolder(data_folder, std::getenv("RUNTIME_DIRECTORY"),
                       std::getenv("XDG_RUNTIME_DIR")) +
         kControlSocketName;
}

std::vector<std::string> ConsoleSocketPaths(const std::string& data_folder) {
  std::vector<std::string> paths = ConsoleSearchFolders(
      data_folder, std::getenv("RUNTIME_DIRECTORY"), std::getenv("XDG_RUNTIME_DIR"));
  for (std::string& path : paths) path += kControlSocketName;
  return paths;
}

ControlSetup SetUpControlSocket(const std::string& data_folder) {
  ControlSetup setup;
  try {
    const TIniFile ini(data_folder + "Config.ini");
    if (!ConfigOn(ini, config::kControlSocket)) return setup;
    setup.limits.backlog = static_cast<std::size_t>(ConfigNumber(ini, config::kControlBacklog));
    setup.path = ControlSocketPath(data_folder);
    MakeRuntimeFolder(setup.path.substr(0, setup.path.rfind('/') + 1));
  } catch (const Exception& e) {
    std::cerr << "ZelmoBot: no console socket: " << e.what() << std::endl;
    return setup;
  }
  try {
    setup.fd = ListenControlSocket(setup.path);
  } catch (const EBotRunning&) {
    throw;
  } catch (const Exception& e) {
    std::cerr << "ZelmoBot: no console socket: " << e.what() << std::endl;
  }
  return setup;
}

}  // namespace zelmo
