#include "shell/base/file_access.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace zelmo {

namespace {

std::string Joined(const std::vector<std::string>& pieces) {
  std::string text;
  for (const std::string& piece : pieces) text += (text.empty() ? "" : " and ") + piece;
  return text;
}

}  // namespace

std::optional<std::string> SecretFileWarning(const std::string& path, const std::string& name) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return std::nullopt;
  std::vector<std::string> faults;
  std::vector<std::string> remedies;
  if (status.st_uid != geteuid()) {
    faults.push_back("owned by another user");
    remedies.push_back("chown it to the user that runs the bot");
  }
  const bool readable = status.st_mode & (S_IRGRP | S_IROTH);
  const bool writable = status.st_mode & (S_IWGRP | S_IWOTH);
  if (readable || writable) {
    const std::string how = readable && writable ? "readable and writable"
                            : readable           ? "readable"
                                                 : "writable";
    faults.push_back(how + " by other users");
    remedies.push_back("chmod 600 it");
  }
  if (faults.empty()) return std::nullopt;
  return name + " is " + Joined(faults) + ": " + Joined(remedies);
}

}  // namespace zelmo
