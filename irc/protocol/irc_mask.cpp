#include "irc/protocol/irc_mask.h"

#include <cstddef>

#include "shell/base/convert.h"

namespace zelmo {

bool MaskMatches(std::string_view mask, std::string_view address) {
  // Greedy matching with one back-track point, the last "*": no recursion,
  // so a hostile mask of many stars costs time linear in each retry, never
  // stack.
  std::size_t m = 0;
  std::size_t a = 0;
  std::size_t star = std::string_view::npos;
  std::size_t star_address = 0;
  while (a < address.size()) {
    if (m < mask.size() && mask[m] == '*') {
      star = m++;
      star_address = a;
    } else if (m < mask.size() && (mask[m] == '?' || UpperChar(mask[m]) == UpperChar(address[a]))) {
      ++m;
      ++a;
    } else if (star != std::string_view::npos) {
      m = star + 1;
      a = ++star_address;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

std::string HostBanMask(std::string_view host) {
  return "*!*@" + std::string(host);
}

bool IsMask(std::string_view text) {
  return text.find_first_of("!@*?") != std::string_view::npos;
}

}  // namespace zelmo
