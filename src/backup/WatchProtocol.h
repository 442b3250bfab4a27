#pragma once
// The lines a pass and the change watch exchange, one request and one answer each, fields
// separated by tabs; a path comes last, so that only a line end could break it, and none is ever
// sent. The window's heartbeat uses the same channel's first word.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/PassOptions.h"
#include "common/ports/ChangeWitness.h"

namespace tg {

// Where the watch is the program itself (Windows), it is started with this flag and the history
// log's path.
inline constexpr const char* ChangeWatchFlag = "--change-watch";

namespace WatchVerb {
inline constexpr std::string_view Ask = "ask";        // ask <location>
inline constexpr std::string_view Arm = "arm";        // arm <location>
inline constexpr std::string_view Stored = "stored";  // stored <location> <token> <copy>
inline constexpr std::string_view Ping = "ping";      // ping <pass options, escaped>
}  // namespace WatchVerb

namespace WatchAnswer {
inline constexpr std::string_view Pong = "pong";
inline constexpr std::string_view Armed = "armed";  // armed <token>
inline constexpr std::string_view Ok = "ok";
inline constexpr std::string_view Unknown = "unknown";
inline constexpr std::string_view Changed = "changed";
inline constexpr std::string_view Unchanged = "unchanged";  // unchanged <copy>
// Told the window while the office waits for a copy made as a document closes, and after it.
inline constexpr std::string_view Closing = "closing";
inline constexpr std::string_view Closed = "closed";
}  // namespace WatchAnswer

// The first whole line of what was read so far, taken out of it; nothing while none is whole.
std::optional<std::string> TakeWatchLine(std::string& read);
// A longer line is no line of this protocol: the other side is not believed.
inline constexpr size_t LongestWatchLine = 64 * 1024;

// A line's tab-separated fields; the last takes the rest of the line when `fields` are wanted.
std::vector<std::string_view> SplitWatchLine(std::string_view line, size_t fields);

// Nothing when a field would hold a tab or a line end: such a line cannot be read back.
std::optional<std::string> WatchLine(std::initializer_list<std::string_view> fields);

// An arming's token as it crosses; nothing for anything but a plain decimal number.
std::optional<std::uint64_t> ParseWatchToken(std::string_view text);

// A copy as "<size> <modified ns> <path>" fields, and back.
std::string CopyFields(const LastCopy& copy);
std::optional<LastCopy> ParseCopyFields(std::string_view size, std::string_view modified,
                                        std::string_view path);

// The window's heartbeat carries the options as its controls show them, so that a copy made as a
// document closes goes where a pass would put it.
std::string PingLine(const PassOptions& options);
// Nothing when the line is no ping; a ping whose options do not read carries none.
std::optional<std::optional<PassOptions>> ParsePing(std::string_view line);

// The answer to an ask; Unknown for anything unreadable.
ChangeAnswer ParseChangeAnswer(std::string_view line);
std::string ChangeAnswerLine(const ChangeAnswer& answer);

// The pass's side, asking the watch in these lines; how a line crosses is the platform's.
class LineChangeWitness : public ChangeWitness {
 public:
  ChangeAnswer ask(std::string_view location) override;
  std::optional<std::uint64_t> arm(std::string_view location) override;
  void stored(std::string_view location, std::uint64_t token, const LastCopy& copy) override;

 protected:
  // The watch's answer to one request line; nothing when it could not be had.
  virtual std::optional<std::string> exchange(const std::string& request) = 0;
};

}  // namespace tg
