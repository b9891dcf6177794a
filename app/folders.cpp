#include "app/folders.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/base/errors.h"

namespace zelmo {

namespace {

std::string FolderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

}  // namespace

std::string ProgramFolder(const char* argv0) {
  char target[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", target, sizeof target - 1);
  if (length > 0) return FolderOf(std::string(target, static_cast<std::size_t>(length)));
  return FolderOf(argv0 != nullptr ? argv0 : "");
}

std::string CheckedDataFolder(const std::string& dir) {
  struct stat info {};
  if (dir.empty() || stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    throw Exception("the data folder '" + dir + "' does not exist or is not a folder");
  }
  return dir.back() == '/' ? dir : dir + "/";
}

}  // namespace zelmo
