#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zelmo {

// The disk side of the INI store: what a file is, reading it whole, and
// replacing it so that a crash leaves either the old or the new content.

// Enough of a file's status to tell that it is no longer the file it was:
// an edit in place changes the size or a time stamp (the change time even
// when the modification time is set back), a replacement changes the inode.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  std::int64_t modified_seconds = 0;
  std::int64_t modified_nanoseconds = 0;
  std::int64_t changed_seconds = 0;
  std::int64_t changed_nanoseconds = 0;

  bool operator==(const FileIdentity&) const = default;
};

enum class FileState { kMissing, kReadable, kUnreadable };

struct FileStatus {
  FileState state = FileState::kMissing;
  FileIdentity identity;
};

struct FileContent {
  FileState state = FileState::kMissing;
  FileIdentity identity;  // taken before reading, so a later edit shows as a change
  std::string bytes;
};

// Follows symbolic links. Anything but a regular file counts as unreadable.
FileStatus StatFile(const std::string& path);
FileContent ReadFile(const std::string& path);

// The file a chain of symbolic links ends at; it need not exist.
std::string ResolveLinks(const std::string& path);

// Why ReplaceFile may not replace the file, in words ("the file is
// read-only", "the folder cannot be written", "Operation not permitted"),
// or nothing when it may: its owner may write it (checked on the mode bits,
// which root does not bypass), it opens for writing, and its folder is
// writable likewise.
std::optional<std::string> ReplaceRefusal(const std::string& path);
inline bool IsReplaceable(const std::string& path) {
  return !ReplaceRefusal(path);
}

// A folder that its owner may write (the mode bits again) and the process
// may create files in.
bool IsWritableFolder(const std::string& folder);

// Writes the content to a temporary file beside the path, gives it the old
// file's owner and mode (0600 for a new file), flushes it and renames it over
// the path. Returns the new file's identity, or nothing when any step failed;
// the old file is then as it was and no temporary file is left behind.
// Temporary files that a writer which died in the middle left behind are
// removed first. On failure, the system's error number goes to *error when
// one is given.
std::optional<FileIdentity> ReplaceFile(const std::string& path, std::string_view content,
                                        int* error = nullptr);

}  // namespace zelmo
