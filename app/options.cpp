#include "app/options.h"

#include "users/bot_version.h"

namespace zelmo {

namespace {

// The value of an option given as "--name VALUE" or "--name=VALUE"; nothing
// when the argument is another option. Advances i past a separate value.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, std::size_t& i,
                                       std::string_view name, const char* what) {
  const std::string& arg = args[i];
  if (arg == name) {
    if (i + 1 >= args.size()) throw UsageError(std::string(name) + " needs " + what);
    return args[++i];
  }
  if (arg.starts_with(std::string(name) + "=")) return arg.substr(name.size() + 1);
  return std::nullopt;
}

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
    } else if (arg == "--owner") {
      options.owner = true;
    } else if (arg == "--check-config") {
      options.action = StartAction::CheckConfig;
    } else if (arg == "--attach") {
      options.action = StartAction::Attach;
    } else if (auto line = OptionValue(args, i, "--command", "a console command")) {
      options.action = StartAction::Command;
      options.command = *line;
    } else if (auto dir = OptionValue(args, i, "--data-dir", "a folder")) {
      options.data_dir = *dir;
    } else if (auto name = OptionValue(args, i, "--add-user", "a user name")) {
      options.action = StartAction::AddUser;
      options.new_user = *name;
    } else if (arg.starts_with("-")) {
      throw UsageError("unknown option '" + arg + "'");
    } else {
      throw UsageError("unexpected argument '" + arg + "'");
    }
  }
  if (options.owner && options.action != StartAction::AddUser) {
    throw UsageError("--owner goes only with --add-user");
  }
  return options;
}

std::string UsageText() {
  return "Usage: zelmobot [--headless] [--data-dir DIR]\n"
         "       zelmobot --add-user NAME [--owner] [--data-dir DIR]\n"
         "       zelmobot --check-config [--data-dir DIR]\n"
         "       zelmobot --attach [--data-dir DIR]\n"
         "       zelmobot --command LINE [--data-dir DIR]\n"
         "       zelmobot --version | --help\n"
         "\n"
         "  --headless        run without a window: the log goes to standard output\n"
         "                    and each line of standard input is a console command\n"
         "  --data-dir DIR    keep Config.ini and the user file in DIR instead of\n"
         "                    the default data folder\n"
         "  --add-user NAME   add a user to the user file and exit; the password is\n"
         "                    asked twice on a terminal, else read as one line of\n"
         "                    standard input\n"
         "  --owner           with --add-user: make the user a bot owner\n"
         "  --check-config    check Config.ini and the user file, print every problem\n"
         "                    and exit: 0 when there is none, else 1\n"
         "  --attach          become a console of the bot running on the data folder:\n"
         "                    its recent and new lines, and each line typed is a\n"
         "                    console command; Ctrl-D detaches\n"
         "  --command LINE    send one console command to that bot, print what\n"
         "                    follows for a moment and exit\n"
         "  --version         print the version and exit\n"
         "  --help            print this help and exit\n"
         "\n"
         "The default data folder is the program's own folder, or, when that is a\n"
         "folder of installed programs without a Config.ini, $XDG_CONFIG_HOME/zelmobot\n"
         "(~/.config/zelmobot).\n"
         "Without --headless the bot opens its window when a display is there.\n"
         "SIGINT or SIGTERM shut it down as after a confirmed EXIT, SIGHUP reloads\n"
         "Config.ini as RELOAD does, SIGUSR1 reopens the files it writes.\n";
}

std::string VersionText() {
  return "ZelmoBot " + BotVersion();
}

}  // namespace zelmo
