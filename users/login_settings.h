#pragma once

#include "shell/base/ini_file.h"
#include "users/login_throttle.h"

namespace zelmo {

// How logins and passwords are guarded, from [General] of Config.ini.
struct LoginSettings {
  LoginThrottle::Limits throttle;
  bool hash_passwords = false;
};

// LoginFailures (default 5; 0 turns the count off), LoginBlockSeconds
// (default 60) and the switch HashPasswords (default off). A negative count
// or a block shorter than a second is taken as the default, like a value
// that is no number; a HashPasswords that is no switch raises.
LoginSettings ReadLoginSettings(const TIniFile& config);

}  // namespace zelmo
