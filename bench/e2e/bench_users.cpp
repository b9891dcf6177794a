#include "bench_users.h"

namespace zelmo::bench {

std::string JoinerNick(int n) {
  return "joiner" + std::to_string(n);
}

std::string JoinerAddress(int n) {
  return "ident" + std::to_string(n) + "@host" + std::to_string(n) + ".bench.example";
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
