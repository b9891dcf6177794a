#include "support/temp_dir.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zelmo::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zelmotest.XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern + "/";
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Give back write permission first, so read-only test files go too.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
    chmod(entry.path().c_str(), 0700);
  }
  chmod(path_.c_str(), 0700);
  std::filesystem::remove_all(path_, ignored);
}

// A new file is for its owner only, as the bot makes its own files, so the
// bot does not warn of it; one that exists keeps its mode.
void TempDir::Write(const std::string& name, const std::string& content) const {
  const bool is_new = !Exists(name);
  std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  if (is_new) chmod(File(name).c_str(), 0600);
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream in(File(name), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool TempDir::Exists(const std::string& name) const {
  return std::filesystem::exists(File(name));
}

}  // namespace zelmo::testing
