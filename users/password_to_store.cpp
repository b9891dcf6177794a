#include "users/password_to_store.h"

namespace zelmo {

std::string PasswordToStore(const std::string& typed) {
  return typed;
}

}  // namespace zelmo
