#include "shell/base/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

#include "shell/base/ini_disk.h"

namespace zelmo {

namespace {

std::string Joined(const std::vector<std::string>& pieces) {
  std::string text;
  for (const std::string& piece : pieces) text += (text.empty() ? "" : " and ") + piece;
  return text;
}

// A file that is there but cannot be opened for reading.
bool IsUnreadable(const std::string& path) {
  if (StatFile(path).state == FileState::kMissing) return false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return true;
  close(fd);
  return StatFile(path).state == FileState::kUnreadable;
}

struct DataFile {
  std::string name;
  const char* unread;    // what follows when it cannot be read
  const char* unstored;  // ... written
};

}  // namespace

std::vector<std::string> DataFileWarnings(const std::string& folder,
                                          const std::string& users_name) {
  std::vector<std::string> warnings;
  const bool folder_writable = IsWritableFolder(folder);
  if (!folder_writable) {
    warnings.push_back("The data folder " + folder +
                       " cannot be written: logins, user changes and the nick write-back will "
                       "fail");
  }
  for (const DataFile& file :
       {DataFile{"Config.ini", "every key has its default", "the nick write-back will fail"},
        DataFile{users_name, "every user counts as unknown",
                 "logins and user changes will fail"}}) {
    const std::string path = folder + file.name;
    const std::string target = ResolveLinks(path);
    if (IsUnreadable(target)) warnings.push_back(file.name + " cannot be read: " + file.unread);
    if (!folder_writable && target == path) continue;
    if (!IsReplaceable(target)) {
      warnings.push_back(file.name + " cannot be written: " + file.unstored);
    }
  }
  return warnings;
}

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
