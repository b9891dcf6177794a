#pragma once

#include "shell/base/ini_file.h"
#include "users/login_throttle.h"

namespace zelmo {

// How logins and passwords are guarded, from [General] of Config.ini.
struct LoginSettings {
  LoginThrottle::Limits throttle;
  bool hash_passwords = false;
};

// LoginFailures (0 turns the count off), LoginBlockSeconds and the switch
// HashPasswords. Raises EConfigError, naming the key, for a negative count,
// a block shorter than a second, a value that is no number or a
// HashPasswords that is no switch.
LoginSettings ReadLoginSettings(const TIniFile& ini);

}  // namespace zelmo
