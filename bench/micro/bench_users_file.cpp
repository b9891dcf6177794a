#include "bench_users_file.h"

namespace zelmo::bench {

std::string UserAddress(int n) {
  return "ident" + std::to_string(n) + "@host" + std::to_string(n) + ".bench.example";
}

std::string UsersFileText(int users) {
  std::string text;
  for (int n = 0; n < users; ++n) {
    std::string name = "member" + std::to_string(n);
    text += "[" + name + "]\nPassword=secret" + std::to_string(n) + "\nHostmask=" + UserAddress(n) +
            "\nLogintime=7.12.2025 23:00:00\nRights_General=0\nRights_#room=" +
            (n % 2 == 0 ? "1" : "2") + "\n\n";
  }
  text += "[Address]\n";
  for (int n = 0; n < users; ++n) text += UserAddress(n) + "=member" + std::to_string(n) + "\n";
  return text;
}

}  // namespace zelmo::bench
