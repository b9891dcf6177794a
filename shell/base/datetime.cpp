#include "shell/base/datetime.h"

namespace zelmo {

std::string DateTimeText(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char buffer[128];
  std::size_t length = std::strftime(buffer, sizeof buffer, "%x %X", &local);
  return std::string(buffer, length);
}

std::string NowText() {
  return DateTimeText(std::time(nullptr));
}

}  // namespace zelmo
