#include "users/login_settings.h"

#include "shell/base/config_read.h"

namespace zelmo {

LoginSettings ReadLoginSettings(const TIniFile& ini) {
  LoginSettings settings;
  settings.throttle.failures = ConfigNumber(ini, config::kLoginFailures);
  settings.throttle.window = std::chrono::seconds(ConfigNumber(ini, config::kLoginBlockSeconds));
  settings.hash_passwords = ConfigOn(ini, config::kHashPasswords);
  return settings;
}

}  // namespace zelmo
