#include "shell/base/ini_disk.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace zelmo {

namespace {

namespace fs = std::filesystem;

// The kernel gives up on longer chains with ELOOP as well.
constexpr int kMaxLinkHops = 40;
// Leaves room for the prefix and the random suffix within NAME_MAX.
constexpr std::size_t kMaxTempNameStem = 200;
// mkostemp() replaces these six characters.
constexpr std::string_view kTempSuffix = "XXXXXX";

FileIdentity IdentityOf(const struct stat& status) {
  return FileIdentity{status.st_dev,         status.st_ino,          status.st_size,
                      status.st_mtim.tv_sec, status.st_mtim.tv_nsec, status.st_ctim.tv_sec,
                      status.st_ctim.tv_nsec};
}

// A file that is not there reads as empty; any other failure as unreadable.
FileState StateAfterError(int error) {
  return (error == ENOENT || error == ENOTDIR) ? FileState::kMissing : FileState::kUnreadable;
}

std::string FolderOf(const std::string& path) {
  const fs::path folder = fs::path(path).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

bool ReadAll(int fd, std::string& bytes, std::size_t size_hint) {
  bytes.reserve(size_hint);
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

// The files hold passwords: a new one is for its owner only. A replaced one
// keeps who may read it; a process that may not give the file away (EPERM)
// still writes it, owned by itself.
bool TakeOverAccess(int fd, const std::string& old_path) {
  struct stat old_status;
  if (stat(old_path.c_str(), &old_status) != 0) return fchmod(fd, 0600) == 0;
  if (fchown(fd, old_status.st_uid, old_status.st_gid) != 0 && errno != EPERM) return false;
  return fchmod(fd, old_status.st_mode & 07777) == 0;
}

// Makes the rename itself durable. Some file systems cannot sync a folder
// (EINVAL); the rename is then as durable as they make it.
bool SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0 || errno == EINVAL;
  close(fd);
  return synced;
}

// The temporary files of a path are "." + file name + "." + six characters
// in the same folder.
std::string TempPrefix(const std::string& folder, const std::string& path) {
  return folder + "/." + fs::path(path).filename().string().substr(0, kMaxTempNameStem) + ".";
}

// A writer holds a lock on its temporary file until the file is renamed
// into place or removed. One that nobody holds was left by a writer that
// died in the middle of a write (a crash, SIGKILL): a stray copy of the file,
// passwords included, that is removed here.
void RemoveLeftoverTemps(const std::string& prefix) {
  const fs::path pattern(prefix);
  const std::string stem = pattern.filename().string();
  std::error_code error;
  fs::directory_iterator entry(pattern.parent_path(), error);
  for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (name.size() != stem.size() + kTempSuffix.size() || !name.starts_with(stem)) continue;
    const int fd = open(entry->path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat status;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0) {
      unlink(entry->path().c_str());
    }
    close(fd);
  }
}

// Owns the temporary file until it has been renamed into place, and holds
// its lock so that no other writer takes it for a leftover.
class TempFile {
 public:
  explicit TempFile(std::string prefix) : path_(std::move(prefix) + std::string(kTempSuffix)) {
    fd_ = mkostemp(path_.data(), O_CLOEXEC);
    // On a file system without locks nothing is ever taken for a leftover,
    // so the write goes on unlocked.
    if (fd_ >= 0) flock(fd_, LOCK_EX | LOCK_NB);
  }
  ~TempFile() {
    if (fd_ >= 0) close(fd_);
    if (fd_ >= 0 && !renamed_) unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int Fd() const { return fd_; }
  bool RenameTo(const std::string& path) {
    renamed_ = rename(path_.c_str(), path.c_str()) == 0;
    return renamed_;
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool renamed_ = false;
};

}  // namespace

FileStatus StatFile(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return FileStatus{StateAfterError(errno), {}};
  if (!S_ISREG(status.st_mode)) return FileStatus{FileState::kUnreadable, {}};
  return FileStatus{FileState::kReadable, IdentityOf(status)};
}

FileContent ReadFile(const std::string& path) {
  // O_NONBLOCK keeps a FIFO put in the file's place from blocking the open.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return FileContent{StateAfterError(errno), {}, {}};
  FileContent content;
  struct stat status;
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      ReadAll(fd, content.bytes, static_cast<std::size_t>(status.st_size))) {
    content.state = FileState::kReadable;
    content.identity = IdentityOf(status);
  } else {
    content.state = FileState::kUnreadable;
    content.bytes.clear();
  }
  close(fd);
  return content;
}

std::string ResolveLinks(const std::string& path) {
  fs::path current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(current, error))) break;
    const fs::path target = fs::read_symlink(current, error);
    if (error) break;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return current.string();
}

bool IsWritableFolder(const std::string& folder) {
  struct stat status;
  return stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
         (status.st_mode & S_IWUSR) && access(folder.c_str(), W_OK | X_OK) == 0;
}

std::optional<std::string> ReplaceRefusal(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) == 0) {
    if (!S_ISREG(status.st_mode)) return "it is not a regular file";
    if (!(status.st_mode & S_IWUSR)) return "the file is read-only";
    // Catches what the mode does not show: immutable or append-only files
    // (EPERM even for root), read-only mounts.
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return std::strerror(errno);
    close(fd);
  } else if (errno != ENOENT) {
    return std::strerror(errno);
  }
  if (!IsWritableFolder(FolderOf(path))) return "the folder cannot be written";
  return std::nullopt;
}

std::optional<FileIdentity> ReplaceFile(const std::string& path, std::string_view content,
                                        int* error) {
  const std::string folder = FolderOf(path);
  const std::string prefix = TempPrefix(folder, path);
  RemoveLeftoverTemps(prefix);
  TempFile temp(prefix);
  // errno is taken before the temporary file is cleaned up.
  const auto failed = [error] {
    if (error) *error = errno;
    return std::nullopt;
  };
  if (temp.Fd() < 0) return failed();
  if (!WriteAll(temp.Fd(), content) || !TakeOverAccess(temp.Fd(), path) || fsync(temp.Fd()) != 0 ||
      !temp.RenameTo(path)) {
    return failed();
  }
  // Taken after the rename, which sets the change time.
  struct stat status;
  if (fstat(temp.Fd(), &status) != 0 || !SyncFolder(folder)) return failed();
  return IdentityOf(status);
}

}  // namespace zelmo
