#include "shell/base/display_text.h"

#include "shell/base/utf8.h"

namespace zelmo {

std::u32string DecodeDisplayText(std::string_view bytes) {
  std::u32string characters;
  characters.reserve(bytes.size());
  for (std::string_view rest = bytes; !rest.empty();) {
    const auto character = DecodeUtf8Char(rest);
    if (!character) {
      // Latin-1: each byte is the code point of its own value.
      characters.clear();
      for (char byte : bytes) characters += static_cast<unsigned char>(byte);
      return characters;
    }
    characters += character->code;
    rest.remove_prefix(character->length);
  }
  return characters;
}

}  // namespace zelmo
