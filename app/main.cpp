#include <unistd.h>

#include <clocale>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/add_user.h"
#include "app/attach.h"
#include "app/check_config.h"
#include "app/control_setup.h"
#include "app/folders.h"
#include "app/options.h"
#include "app/standard_streams.h"
#include "app/window_loader.h"
#include "shell/base/control_socket.h"
#include "shell/main_form_factory.h"
#include "shell/ui/terminal/terminal_front_end.h"

namespace {

// Without a window the bot takes consoles on its control socket; the socket
// goes with the bot.
int RunHeadless(const std::string& data_folder, zelmo::FormFactory& factory) {
  zelmo::ControlSetup control;
  try {
    control = zelmo::SetUpControlSocket(data_folder);
  } catch (const zelmo::EBotRunning& e) {
    std::cerr << "ZelmoBot: " << e.what() << std::endl;
    return 1;
  }
  const int code = zelmo::RunTerminalFrontEnd(factory, control.fd, control.limits);
  if (control.fd >= 0) unlink(control.path.c_str());
  return code;
}

int RunFrontEnd(const zelmo::StartOptions& options, const std::string& program_folder,
                const std::string& data_folder, int argc, char** argv,
                zelmo::FormFactory& factory) {
  if (!options.headless) {
    if (!zelmo::DisplayAvailable()) {
      std::cerr << "ZelmoBot: no display found, running headless" << std::endl;
    } else {
      std::string why_not;
      if (auto code = zelmo::RunWindowFrontEnd(program_folder, argc, argv, factory, why_not)) {
        return *code;
      }
      std::cerr << "ZelmoBot: cannot open the window (" << why_not << "), running headless"
                << std::endl;
    }
  }
  return RunHeadless(data_folder, factory);
}

}  // namespace

int main(int argc, char** argv) {
  zelmo::EnsureStandardStreams();
  // Time stamps follow the system's date and time format; everything else
  // (character classes, number formats) stays in the C locale.
  std::setlocale(LC_TIME, "");

  zelmo::StartOptions options;
  try {
    options = zelmo::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const zelmo::UsageError& e) {
    std::cerr << "ZelmoBot: " << e.what() << "\n\n" << zelmo::UsageText();
    return 2;
  }
  if (options.action == zelmo::StartAction::ShowVersion) {
    std::cout << zelmo::VersionText() << std::endl;
    return 0;
  }
  if (options.action == zelmo::StartAction::ShowHelp) {
    std::cout << zelmo::UsageText();
    return 0;
  }

  std::string program_folder = zelmo::ProgramFolder(argc > 0 ? argv[0] : nullptr);
  std::string data_folder;
  try {
    data_folder = options.data_dir ? zelmo::CheckedDataFolder(*options.data_dir)
                                   : zelmo::DefaultDataFolder(program_folder);
  } catch (const zelmo::Exception& e) {
    std::cerr << "ZelmoBot: " << e.what() << std::endl;
    return 2;
  }
  // Adding a user or checking the configuration never starts the bot nor
  // loads the window module.
  if (options.action == zelmo::StartAction::AddUser) {
    return zelmo::RunAddUser(options, data_folder);
  }
  if (options.action == zelmo::StartAction::CheckConfig) {
    return zelmo::RunCheckConfig(data_folder);
  }
  if (options.action == zelmo::StartAction::Attach) return zelmo::RunAttach(data_folder);
  if (options.action == zelmo::StartAction::Command) {
    return zelmo::RunCommand(data_folder, options.command);
  }
  std::unique_ptr<zelmo::FormFactory> factory = zelmo::MakeMainFormFactory(data_folder);
  return RunFrontEnd(options, program_folder, data_folder, argc, argv, *factory);
}
