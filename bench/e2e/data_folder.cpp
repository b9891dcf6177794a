#include "data_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace zelmo::bench {

DataFolder::DataFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zelmo-bench-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = name.data();
}

DataFolder::~DataFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void DataFolder::Write(const std::string& name, const std::string& content) const {
  std::ofstream file(path_ + "/" + name, std::ios::binary | std::ios::trunc);
  file << content;
  if (!file) throw std::runtime_error("cannot write " + name);
}

std::string JoinerNick(int n) {
  return "joiner" + std::to_string(n);
}

std::string JoinerAddress(int n) {
  return "ident" + std::to_string(n) + "@host" + std::to_string(n) + ".bench.example";
}

std::string BenchConfig(int port) {
  return "[Me]\nIRCHost=127.0.0.1\nPort=" + std::to_string(port) + "\n";
}

std::string BenchUsers(int users, const std::string& channel) {
  std::string text;
  for (int n = 0; n < users; ++n) {
    text += "[member" + std::to_string(n) + "]\nPassword=secret" + std::to_string(n) +
            "\nRights_General=0\nRights_" + channel + "=" + (n % 2 == 0 ? "1" : "2") + "\n\n";
  }
  text += "[Address]\n";
  for (int n = 0; n < users; ++n) {
    text += JoinerAddress(n) + "=member" + std::to_string(n) + "\n";
  }
  return text;
}

}  // namespace zelmo::bench
