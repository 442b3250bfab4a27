#include "common/SystemSettingsFile.h"

#include <optional>

namespace tg {

namespace {

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view Blanks = " \t\r";
  const auto first = text.find_first_not_of(Blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(Blanks) - first + 1);
}

// "[$i]", "[$ie]": a mark whose letters include i. Other marks ($e, $d) change nothing here.
bool IsMark(std::string_view bracketed) {
  return bracketed.size() >= 3 && bracketed.front() == '[' && bracketed[1] == '$' &&
         bracketed.back() == ']';
}
bool MarkLocks(std::string_view mark) { return mark.find('i') != std::string_view::npos; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A file copied from a user's own QSettings file writes a blank in a key as "%20".
std::string Unescaped(std::string_view name) {
  std::string plain;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '%' && i + 2 < name.size()) {
      const int high = HexDigit(name[i + 1]), low = HexDigit(name[i + 2]);
      if (high >= 0 && low >= 0) {
        plain += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    plain += name[i];
  }
  return plain;
}

// KDE writes "\s" for a kept blank, "\t", "\n", "\\"; QSettings quotes a value with blanks at its
// ends and escapes quotes within.
std::string ValueText(std::string_view raw) {
  std::string_view text = Trimmed(raw);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  std::string value;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      value += text[i];
      continue;
    }
    switch (const char next = text[++i]) {
      case 's':
        value += ' ';
        break;
      case 't':
        value += '\t';
        break;
      case 'n':
        value += '\n';
        break;
      case 'r':
        value += '\r';
        break;
      default:
        value += next;  // "\\", "\"" and anything else: the character itself
    }
  }
  return value;
}

struct Header {
  std::string name;
  bool locked = false;
};

// "[Name]" or "[Name][$i]"; nothing for a header that does not close or names nothing.
std::optional<Header> ReadHeader(std::string_view line) {
  const auto close = line.find(']');
  if (close == std::string_view::npos || close == 1) return std::nullopt;
  Header header{Unescaped(line.substr(1, close - 1)), false};
  const std::string_view rest = line.substr(close + 1);
  if (rest.empty()) return header;
  if (!IsMark(rest)) return std::nullopt;  // a nested group, or text after the header
  header.locked = MarkLocks(rest);
  return header;
}

}  // namespace

std::map<std::string, SystemValue, std::less<>> ReadSystemSettings(std::string_view fileText,
                                                                   std::string_view group) {
  std::map<std::string, SystemValue, std::less<>> values;
  bool fileLocked = false;
  bool seenGroup = false;
  bool inGroup = false;
  bool groupLocked = false;
  for (size_t start = 0; start < fileText.size();) {
    size_t end = fileText.find('\n', start);
    if (end == std::string_view::npos) end = fileText.size();
    const std::string_view line = Trimmed(fileText.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      if (!seenGroup && IsMark(line)) {
        fileLocked = fileLocked || MarkLocks(line);
        continue;
      }
      seenGroup = true;
      const std::optional<Header> header = ReadHeader(line);
      inGroup = header && header->name == group;
      groupLocked = inGroup && header->locked;
      continue;
    }
    if (!inGroup) continue;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view name = Trimmed(line.substr(0, equals));
    bool locked = fileLocked || groupLocked;
    // Brackets after the name: a mark, or a language the value is a translation for.
    if (const auto open = name.find('['); open != std::string_view::npos) {
      std::string_view suffixes = name.substr(open);
      name = Trimmed(name.substr(0, open));
      bool translated = false;
      while (!suffixes.empty()) {
        const auto close = suffixes.find(']');
        if (suffixes.front() != '[' || close == std::string_view::npos) {
          translated = true;  // not a name this program has
          break;
        }
        const std::string_view part = suffixes.substr(0, close + 1);
        if (IsMark(part)) {
          locked = locked || MarkLocks(part);
        } else {
          translated = true;
        }
        suffixes = suffixes.substr(close + 1);
      }
      if (translated) continue;
    }
    if (name.empty()) continue;
    std::string key = Unescaped(name);
    auto found = values.find(key);
    if (found != values.end() && found->second.locked) continue;
    values[std::move(key)] = SystemValue{ValueText(line.substr(equals + 1)), locked};
  }
  return values;
}

}  // namespace tg
