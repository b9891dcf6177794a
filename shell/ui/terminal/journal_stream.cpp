#include "shell/ui/terminal/journal_stream.h"

#include <sys/stat.h>

#include <charconv>

namespace zelmo {

namespace {

// Reads one unsigned decimal number that fills the whole text.
bool ReadWhole(std::string_view text, unsigned long long& value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool IsJournalStream(int fd, const char* journal_stream) {
  if (journal_stream == nullptr) return false;
  const std::string_view text = journal_stream;
  const std::size_t colon = text.find(':');
  unsigned long long device = 0, inode = 0;
  if (colon == std::string_view::npos || !ReadWhole(text.substr(0, colon), device) ||
      !ReadWhole(text.substr(colon + 1), inode))
    return false;
  struct stat status {};
  if (fstat(fd, &status) != 0) return false;
  return status.st_dev == device && status.st_ino == inode;
}

std::string_view SyslogPrefix(TextClass text_class) {
  switch (text_class) {
    case Errorous:
      return "<3>";
    case Dangerous:
      return "<4>";
    case Important:
      return "<5>";
    default:
      return "<6>";
  }
}

}  // namespace zelmo
