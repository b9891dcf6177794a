#include "app/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "shell/base/errors.h"
#include "shell/base/modules.h"

namespace zelmo {

namespace {

std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

std::string WithSlash(const std::string& dir) {
  return dir.back() == '/' ? dir : dir + "/";
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

// "/usr/bin/" and "~/bin/" hold programs, not their data: a program there
// keeps its data apart even when it may write the folder (as root may).
bool IsProgramsFolder(const std::string& folder) {
  return folder.ends_with("/bin/") || folder == "bin/";
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home == '/') return home;
  const passwd* entry = getpwuid(getuid());
  if (entry != nullptr && entry->pw_dir != nullptr && *entry->pw_dir == '/') return entry->pw_dir;
  throw Exception("no home folder to keep the data in: give --data-dir");
}

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string ConfigHome() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && *config == '/') return config;
  return HomeFolder() + "/.config";
}

// Makes the folder and those above it that are missing, each for the user
// alone.
void MakeFolders(const std::string& dir) {
  if (Exists(dir)) return;
  auto slash = dir.find_last_of('/', dir.size() - 2);
  if (slash != std::string::npos && slash > 0) MakeFolders(dir.substr(0, slash + 1));
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    throw Exception("cannot make the data folder '" + dir + "': " + std::strerror(errno));
  }
}

}  // namespace

std::string ProgramFolder(const char* argv0) {
  std::string folder = RunningProgramFolder();
  return !folder.empty() ? folder : FolderOf(argv0 != nullptr ? argv0 : "");
}

std::string CheckedDataFolder(const std::string& dir) {
  struct stat info {};
  if (dir.empty() || stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    throw Exception("the data folder '" + dir + "' does not exist or is not a folder");
  }
  return WithSlash(dir);
}

std::string DefaultDataFolder(const std::string& program_folder) {
  if (Exists(program_folder + "Config.ini")) return program_folder;
  if (access(program_folder.c_str(), W_OK) == 0 && !IsProgramsFolder(program_folder)) {
    return program_folder;
  }
  std::string folder = WithSlash(ConfigHome()) + "zelmobot/";
  MakeFolders(folder);
  return CheckedDataFolder(folder);
}

}  // namespace zelmo
