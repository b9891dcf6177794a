#include "users/login_settings.h"

#include "shell/base/ini_switch.h"

namespace zelmo {

LoginSettings ReadLoginSettings(const TIniFile& config) {
  const LoginThrottle::Limits defaults;
  LoginSettings settings;
  const int failures = config.ReadInteger("General", "LoginFailures", defaults.failures);
  if (failures >= 0) settings.throttle.failures = failures;
  const int seconds =
      config.ReadInteger("General", "LoginBlockSeconds", static_cast<int>(defaults.window.count()));
  if (seconds >= 1) settings.throttle.window = std::chrono::seconds(seconds);
  settings.hash_passwords = ReadSwitch(config, "General", "HashPasswords", false);
  return settings;
}

}  // namespace zelmo
