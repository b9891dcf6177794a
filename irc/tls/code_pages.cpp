#include "irc/tls/code_pages.h"

#include <dlfcn.h>
#include <openssl/crypto.h>
#include <openssl/ssl.h>
#include <sys/mman.h>

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zelmo {

namespace {

// The file a function of a library was loaded from, as the kernel names
// it (links resolved); empty when unknown.
std::string LibraryOf(const void* function) {
  Dl_info info{};
  if (::dladdr(function, &info) == 0 || info.dli_fname == nullptr) return {};
  char resolved[PATH_MAX];
  return ::realpath(info.dli_fname, resolved) != nullptr ? resolved : "";
}

struct Mapping {
  std::uintptr_t start = 0;
  std::uintptr_t end = 0;
  bool read_only = false;
  std::string path;
  long anonymous_kib = -1;
};

// A mapping's head line of /proc/self/smaps ("start-end perms offset dev
// inode path"), or nothing for the lines of figures below it.
bool ReadHead(const std::string& line, Mapping& mapping) {
  std::istringstream fields(line);
  std::string range, perms, offset, device, inode;
  if (!(fields >> range >> perms >> offset >> device >> inode)) return false;
  const std::size_t dash = range.find('-');
  if (dash == std::string::npos || perms.size() != 4 || range.find(':') != std::string::npos) {
    return false;
  }
  mapping = Mapping{};
  mapping.start = std::stoull(range.substr(0, dash), nullptr, 16);
  mapping.end = std::stoull(range.substr(dash + 1), nullptr, 16);
  mapping.read_only = perms[1] == '-';
  std::getline(fields >> std::ws, mapping.path);
  return true;
}

// The read-only mappings of these files that hold no page of their own
// (every page still the file's).
std::vector<Mapping> FileBackedMappings(const std::vector<std::string>& files) {
  std::vector<Mapping> found;
  std::ifstream smaps("/proc/self/smaps");
  Mapping current;
  auto keep = [&] {
    if (current.read_only && current.anonymous_kib == 0) {
      for (const std::string& file : files) {
        if (current.path == file) found.push_back(current);
      }
    }
  };
  for (std::string line; std::getline(smaps, line);) {
    if (line.starts_with("Anonymous:")) {
      current.anonymous_kib = std::stol(line.substr(10));
      continue;
    }
    Mapping next;
    if (line.empty() || !std::isxdigit(static_cast<unsigned char>(line[0])) ||
        !ReadHead(line, next)) {
      continue;
    }
    keep();
    current = next;
  }
  keep();
  return found;
}

}  // namespace

void ReleaseOpenSslCodePages() {
  std::vector<std::string> files;
  for (const void* function :
       {reinterpret_cast<const void*>(&SSL_new), reinterpret_cast<const void*>(&OPENSSL_cleanse)}) {
    std::string file = LibraryOf(function);
    if (!file.empty()) files.push_back(file);
  }
  if (files.empty()) return;
  try {
    for (const Mapping& mapping : FileBackedMappings(files)) {
      ::madvise(reinterpret_cast<void*>(mapping.start), mapping.end - mapping.start, MADV_DONTNEED);
    }
  } catch (const std::exception&) {
    // A line of smaps not as expected: the pages stay, nothing else changes.
  }
}

}  // namespace zelmo
