#pragma once

#include <cstddef>
#include <string_view>

namespace tg {

// Characters, not bytes, of a UTF-8 text: selections of the text controls count characters.
inline bool ContinuesACharacter(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

inline int CharacterCount(std::string_view text) {
  int count = 0;
  for (char byte : text) count += ContinuesACharacter(byte) ? 0 : 1;
  return count;
}

// Where the character numbered `characters` (from 0) begins; the text's size past its end.
inline size_t ByteOffsetOfCharacter(std::string_view text, int characters) {
  size_t offset = 0;
  for (int seen = 0; offset < text.size(); ++offset) {
    if (!ContinuesACharacter(text[offset]) && seen++ == characters) return offset;
  }
  return text.size();
}

// The longest start of `text` of at most `bytes` that ends on a whole character: a field of fixed
// size must never hold half of one.
inline std::string_view CutAtCharacter(std::string_view text, size_t bytes) {
  if (text.size() <= bytes) return text;
  while (bytes > 0 && ContinuesACharacter(text[bytes])) --bytes;
  return text.substr(0, bytes);
}

}  // namespace tg
