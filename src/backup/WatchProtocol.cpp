#include "backup/WatchProtocol.h"

#include <charconv>

#include "backup/PassProtocol.h"

namespace tg {
namespace {

template <typename Number>
std::optional<Number> ReadNumber(std::string_view text) {
  Number number{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return number;
}

}  // namespace

std::optional<std::string> TakeWatchLine(std::string& read) {
  const size_t end = read.find('\n');
  if (end == std::string::npos) return std::nullopt;
  std::string line = read.substr(0, end);
  read.erase(0, end + 1);
  return line;
}

std::vector<std::string_view> SplitWatchLine(std::string_view line, size_t fields) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < fields) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) break;
    parts.push_back(line.substr(0, tab));
    line.remove_prefix(tab + 1);
  }
  parts.push_back(line);
  return parts;
}

std::optional<std::string> WatchLine(std::initializer_list<std::string_view> fields) {
  std::string line;
  for (std::string_view field : fields) {
    if (field.find_first_of("\t\r\n") != std::string_view::npos) return std::nullopt;
    if (!line.empty()) line += '\t';
    line += field;
  }
  return line;
}

std::optional<std::uint64_t> ParseWatchToken(std::string_view text) {
  return ReadNumber<std::uint64_t>(text);
}

std::string CopyFields(const LastCopy& copy) {
  return std::to_string(copy.stamp.size) + '\t' + std::to_string(copy.stamp.modifiedNanoseconds) +
         '\t' + copy.path;
}

std::optional<LastCopy> ParseCopyFields(std::string_view size, std::string_view modified,
                                        std::string_view path) {
  const auto bytes = ReadNumber<std::uint64_t>(size);
  const auto time = ReadNumber<std::int64_t>(modified);
  if (!bytes || !time || path.empty()) return std::nullopt;
  return LastCopy{std::string(path), FileStamp{*bytes, *time}};
}

std::string PingLine(const PassOptions& options) {
  return std::string(WatchVerb::Ping) + '\t' + EscapeField(EncodePassOptions(options));
}

std::optional<std::optional<PassOptions>> ParsePing(std::string_view line) {
  const std::vector<std::string_view> fields = SplitWatchLine(line, 2);
  if (fields[0] != WatchVerb::Ping) return std::nullopt;
  if (fields.size() < 2) return std::optional<PassOptions>();
  const std::optional<std::string> text = UnescapeField(fields[1]);
  return text ? ParsePassOptions(*text) : std::nullopt;
}

ChangeAnswer ParseChangeAnswer(std::string_view line) {
  const std::vector<std::string_view> fields = SplitWatchLine(line, 4);
  if (fields[0] == WatchAnswer::Changed && fields.size() == 1) return {ChangeKnown::Changed, {}};
  if (fields[0] == WatchAnswer::Unchanged && fields.size() == 4) {
    if (std::optional<LastCopy> copy = ParseCopyFields(fields[1], fields[2], fields[3])) {
      return {ChangeKnown::Unchanged, std::move(copy)};
    }
  }
  return {};
}

std::string ChangeAnswerLine(const ChangeAnswer& answer) {
  switch (answer.known) {
    case ChangeKnown::Unchanged:
      if (answer.copy) return std::string(WatchAnswer::Unchanged) + '\t' + CopyFields(*answer.copy);
      break;
    case ChangeKnown::Changed:
      return std::string(WatchAnswer::Changed);
    case ChangeKnown::Unknown:
      break;
  }
  return std::string(WatchAnswer::Unknown);
}

ChangeAnswer LineChangeWitness::ask(std::string_view location) {
  const std::optional<std::string> request = WatchLine({WatchVerb::Ask, location});
  const std::optional<std::string> answer = request ? exchange(*request) : std::nullopt;
  return answer ? ParseChangeAnswer(*answer) : ChangeAnswer{};
}

std::optional<std::uint64_t> LineChangeWitness::arm(std::string_view location) {
  const std::optional<std::string> request = WatchLine({WatchVerb::Arm, location});
  const std::optional<std::string> answer = request ? exchange(*request) : std::nullopt;
  if (!answer) return std::nullopt;
  const std::vector<std::string_view> fields = SplitWatchLine(*answer, 2);
  if (fields.size() != 2 || fields[0] != WatchAnswer::Armed) return std::nullopt;
  return ParseWatchToken(fields[1]);
}

void LineChangeWitness::stored(std::string_view location, std::uint64_t token,
                               const LastCopy& copy) {
  const std::optional<std::string> line =
      WatchLine({WatchVerb::Stored, location, std::to_string(token)});
  // The copy's path comes last, so only a line end in it could break the line.
  if (!line || copy.path.find_first_of("\r\n") != std::string::npos) return;
  exchange(*line + '\t' + CopyFields(copy));
}

}  // namespace tg
