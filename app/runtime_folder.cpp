#include "app/runtime_folder.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace zelmo {

namespace {

bool IsSet(const char* value) {
  return value != nullptr && *value != '\0';
}

// FNV-1a, 64 bits: short, stable and enough to keep data folders apart.
std::string PathHash(std::string_view path) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (char c : path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return digits;
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::string RuntimeFolder(const std::string& data_folder, const char* runtime_directory,
                          const char* xdg_runtime_dir) {
  if (IsSet(runtime_directory)) {
    const std::string_view all = runtime_directory;
    return WithSlash(std::string(all.substr(0, all.find(':'))));
  }
  if (!IsSet(xdg_runtime_dir)) return WithSlash(data_folder);
  char resolved[PATH_MAX];
  const std::string canonical =
      realpath(data_folder.c_str(), resolved) != nullptr ? WithSlash(resolved) : data_folder;
  return WithSlash(xdg_runtime_dir) + "zelmobot/" + PathHash(canonical) + "/";
}

std::vector<std::string> ConsoleSearchFolders(const std::string& data_folder,
                                              const char* runtime_directory,
                                              const char* xdg_runtime_dir) {
  std::vector<std::string> folders{RuntimeFolder(data_folder, runtime_directory, xdg_runtime_dir)};
  auto add = [&folders](const std::string& folder) {
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(folder);
    }
  };
  for (const std::string_view state : {"/var/lib/private/", "/var/lib/"}) {
    if (data_folder.starts_with(state) && data_folder.size() > state.size()) {
      add(WithSlash("/run/" + data_folder.substr(state.size())));
      break;
    }
  }
  add(WithSlash(data_folder));
  return folders;
}

void MakeRuntimeFolder(const std::string& folder) {
  const std::string inner = folder.substr(0, folder.size() - 1);
  const std::string outer = inner.substr(0, inner.rfind('/'));
  mkdir(outer.c_str(), 0700);
  mkdir(inner.c_str(), 0700);
}

}  // namespace zelmo
