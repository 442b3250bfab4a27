#include "backup/PassProtocol.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "backup/BackupNaming.h"

namespace tg {
namespace {

struct VerbShape {
  PassVerb verb;
  std::string_view word;
  size_t fields;
};

constexpr VerbShape Verbs[] = {
    {PassVerb::Options, "options", 0},  {PassVerb::Prompt, "prompt", 1},
    {PassVerb::Message, "message", 5},  {PassVerb::Store, "store", 2},
    {PassVerb::Copy, "copy", 1},        {PassVerb::Done, "done", 0},
    {PassVerb::Answer, "answer", 1},    {PassVerb::Wait, "wait", 0},
    {PassVerb::Logged, "logged", 1},    {PassVerb::Skipped, "skipped", 2},
    {PassVerb::NoOffice, "nooffice", 1}};

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t tab = line.find('\t', start);
    parts.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) return parts;
    start = tab + 1;
  }
}

bool IsSmallNumber(std::string_view text, int highest) {
  return text.size() == 1 && text[0] >= '0' && text[0] <= '0' + highest;
}

bool FieldsMakeSense(const PassMessage& message) {
  switch (message.verb) {
    case PassVerb::Message:
      return IsSmallNumber(message.fields[2], 1) && IsSmallNumber(message.fields[3], 1);
    default:
      return true;
  }
}

bool MustEscape(char c) { return c == '%' || c == '\t' || c == '\r' || c == '\n'; }

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string EscapeField(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    if (MustEscape(c)) {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(c));
      escaped += code;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// Every "%" of a field starts an escape of its own; a stray one makes the line malformed.
std::optional<std::string> UnescapeField(std::string_view text) {
  for (size_t i = text.find('%'); i != std::string_view::npos; i = text.find('%', i + 3)) {
    if (i + 2 >= text.size() || !IsHex(text[i + 1]) || !IsHex(text[i + 2])) return std::nullopt;
  }
  return DecodeUrlEscapes(text);
}

std::string EncodePassMessage(const PassMessage& message) {
  std::string line;
  for (const VerbShape& shape : Verbs) {
    if (shape.verb == message.verb) line = shape.word;
  }
  for (const std::string& field : message.fields) line += "\t" + EscapeField(field);
  return line;
}

std::optional<PassMessage> ParsePassMessage(std::string_view line) {
  const std::vector<std::string_view> parts = SplitTabs(line);
  for (const VerbShape& shape : Verbs) {
    if (shape.word != parts[0]) continue;
    if (parts.size() != shape.fields + 1) return std::nullopt;
    PassMessage message{shape.verb, {}};
    for (size_t i = 1; i < parts.size(); ++i) {
      std::optional<std::string> field = UnescapeField(parts[i]);
      if (!field) return std::nullopt;
      message.fields.push_back(std::move(*field));
    }
    if (!FieldsMakeSense(message)) return std::nullopt;
    return message;
  }
  return std::nullopt;
}

std::string_view ToText(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Yes:
      return "yes";
    case MessageAnswer::No:
      return "no";
    default:
      return "ok";
  }
}

std::optional<MessageAnswer> ParseMessageAnswer(std::string_view text) {
  if (text == "ok") return MessageAnswer::Ok;
  if (text == "yes") return MessageAnswer::Yes;
  if (text == "no") return MessageAnswer::No;
  return std::nullopt;
}

}  // namespace tg
