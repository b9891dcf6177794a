#include "app/options.h"

#include "users/bot_version.h"

namespace zelmo {

namespace {
constexpr std::string_view kDataDirOption = "--data-dir";
}  // namespace

StartOptions ParseStartOptions(const std::vector<std::string>& args) {
  StartOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options.action = StartAction::ShowHelp;
      return options;
    }
    if (arg == "--version") {
      options.action = StartAction::ShowVersion;
      return options;
    }
    if (arg == "--headless") {
      options.headless = true;
    } else if (arg == kDataDirOption) {
      if (i + 1 >= args.size()) throw UsageError("--data-dir needs a folder");
      options.data_dir = args[++i];
    } else if (arg.starts_with(std::string(kDataDirOption) + "=")) {
      options.data_dir = arg.substr(kDataDirOption.size() + 1);
    } else if (arg.starts_with("-")) {
      throw UsageError("unknown option '" + arg + "'");
    } else {
      throw UsageError("unexpected argument '" + arg + "'");
    }
  }
  return options;
}

std::string UsageText() {
  return "Usage: zelmobot [--headless] [--data-dir DIR]\n"
         "       zelmobot --version | --help\n"
         "\n"
         "  --headless      run without a window: the log goes to standard output\n"
         "                  and each line of standard input is a console command\n"
         "  --data-dir DIR  keep Config.ini and the user file in DIR instead of\n"
         "                  the program's folder\n"
         "  --version       print the version and exit\n"
         "  --help          print this help and exit\n"
         "\n"
         "Without --headless the bot opens its window when a display is there.\n"
         "SIGINT or SIGTERM shut it down as after a confirmed EXIT.\n";
}

std::string VersionText() {
  return "ZelmoBot " + BotVersion();
}

}  // namespace zelmo
