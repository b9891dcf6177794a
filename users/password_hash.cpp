#include "users/password_hash.h"

#include <crypt.h>

#include <memory>
#include <optional>

#include "shell/base/convert.h"
#include "shell/base/errors.h"
#include "users/user_file.h"

namespace zelmo {

namespace {

constexpr char kYescryptPrefix[] = "$y$";
// yescrypt's cost 5 (32 MiB, the Debian default for system passwords): about
// 25 ms a check on a desktop, slow for a guesser, quick enough for a login.
constexpr unsigned long kYescryptCost = 5;
constexpr std::size_t kHashLength = 43;
constexpr std::string_view kCryptAlphabet =
    "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

bool IsCryptText(std::string_view text) {
  return !text.empty() && text.find_first_not_of(kCryptAlphabet) == std::string_view::npos;
}

// The hash of the upper-cased password under the setting (a salt or a whole
// stored hash), or nothing when the library refuses it.
std::optional<std::string> Crypt(std::string_view password, const std::string& setting) {
  if (password.find('\0') != std::string_view::npos) return std::nullopt;
  const std::string phrase = UpperCase(password);
  // Large (about 32 KiB), and zeroed before its first use as the library asks.
  auto data = std::make_unique<crypt_data>();
  const char* hashed = crypt_r(phrase.c_str(), setting.c_str(), data.get());
  // A failure gives a null pointer or a text beginning with "*".
  if (!hashed || *hashed == '*') return std::nullopt;
  return std::string(hashed);
}

// Takes as long whatever the first difference, so the time of a check tells
// a guesser nothing about how close the guess came.
bool SameInConstantTime(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  }
  return difference == 0;
}

}  // namespace

bool IsHashedPassword(std::string_view stored) {
  if (!stored.starts_with(kYescryptPrefix)) return false;
  stored.remove_prefix(std::string_view(kYescryptPrefix).size());
  const std::size_t salt_end = stored.rfind('$');
  const std::size_t parameters_end = stored.find('$');
  if (salt_end == std::string_view::npos || parameters_end == salt_end) return false;
  const std::string_view parameters = stored.substr(0, parameters_end);
  const std::string_view salt = stored.substr(parameters_end + 1, salt_end - parameters_end - 1);
  const std::string_view hash = stored.substr(salt_end + 1);
  return IsCryptText(parameters) && IsCryptText(salt) && hash.size() == kHashLength &&
         IsCryptText(hash);
}

std::string HashPassword(std::string_view password) {
  char salt[CRYPT_GENSALT_OUTPUT_SIZE];
  if (!crypt_gensalt_rn(kYescryptPrefix, kYescryptCost, nullptr, 0, salt, sizeof salt)) {
    throw Exception("Unable to make a password salt");
  }
  std::optional<std::string> hashed = Crypt(password, salt);
  if (!hashed || !IsHashedPassword(*hashed)) throw Exception("Unable to hash the password");
  return *hashed;
}

bool PasswordMatches(std::string_view stored, std::string_view typed) {
  if (!IsHashedPassword(stored)) return UpperCase(stored) == UpperCase(typed);
  const std::optional<std::string> hashed = Crypt(typed, std::string(stored));
  return hashed && SameInConstantTime(*hashed, stored);
}

std::string PasswordToStore(std::string_view typed, bool hash_passwords) {
  if (!hash_passwords || typed == kAbsent) return std::string(typed);
  return HashPassword(typed);
}

}  // namespace zelmo
