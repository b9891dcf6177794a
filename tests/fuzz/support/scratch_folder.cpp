#include "support/scratch_folder.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <vector>

#include "support/fuzz_check.h"

namespace zelmo::fuzz {

namespace {

std::mutex scratch_mutex;
std::vector<std::string>* scratch_folders = nullptr;

void RemoveScratchFolders() {
  std::lock_guard lock(scratch_mutex);
  for (const std::string& folder : *scratch_folders) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
}

}  // namespace

std::string MakeScratchFolder(const std::string& stem) {
  const std::string base = access("/dev/shm", W_OK) == 0
                               ? std::string("/dev/shm")
                               : std::filesystem::temp_directory_path().string();
  std::string pattern = base + "/" + stem + "-XXXXXX";
  FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
  std::lock_guard lock(scratch_mutex);
  if (!scratch_folders) {
    scratch_folders = new std::vector<std::string>();
    atexit(RemoveScratchFolders);
  }
  scratch_folders->push_back(pattern);
  return pattern;
}

}  // namespace zelmo::fuzz
