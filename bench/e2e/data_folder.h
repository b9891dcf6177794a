#pragma once

#include <string>

namespace zelmo::bench {

// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes.
class DataFolder {
 public:
  DataFolder();
  ~DataFolder();
  DataFolder(const DataFolder&) = delete;
  DataFolder& operator=(const DataFolder&) = delete;

  const std::string& Path() const { return path_; }
  void Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

// The joiners of the join storm: nick and address of joiner n.
std::string JoinerNick(int n);
std::string JoinerAddress(int n);

// Config.ini that points the bot at the benchmark's server.
std::string BenchConfig(int port);
// A user file of `users` users: user n is known at joiner n's address and
// holds rights 1 (voice) or 2 (op) in the channel.
std::string BenchUsers(int users, const std::string& channel);

}  // namespace zelmo::bench
