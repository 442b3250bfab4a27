#pragma once

#include <string_view>

namespace tg {

// Characters, not bytes, of a UTF-8 text: selections of the text controls count characters.
inline int CharacterCount(std::string_view text) {
  int count = 0;
  for (char byte : text) count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

}  // namespace tg
