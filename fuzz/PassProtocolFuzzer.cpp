// Feeds arbitrary bytes to both ends of the backup helper's line protocol. Whatever one side
// writes, the other must not crash, and garbage must never make a copy or a history line: the
// helper treats a line it cannot read as the end of the window, and the window ends the helper.
// A message encoded by one side reads back the same on the other.
//
// Input: one byte choosing the property, then the bytes it works on.
//   0: a message built from the bytes (a verb, then fields separated by NUL) is encoded and read
//   1: the bytes are the helper's lines to the window
//   2: the bytes are the window's answers to the helper
// Every input's lines are also read as messages and checked on their own.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "backup/BackupNaming.h"
#include "backup/PassHelperSide.h"
#include "backup/PassProtocol.h"
#include "backup/PassWindowSide.h"
#include "common/Descriptions.h"
#include "memory/CountingMessageLoop.h"
#include "memory/FixedClock.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemoryFileSystem.h"
#include "memory/MemoryPrivateState.h"
#include "memory/MemorySuite.h"
#include "memory/RecordingDialogs.h"
#include "memory/UnitedStatesRegionalSettings.h"

namespace {

using tg::PassMessage;
using tg::PassVerb;

void Require(bool condition, const char* invariant, std::string_view input) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n  input (%zu bytes):", invariant, input.size());
  for (unsigned char c : input.substr(0, 200)) std::fprintf(stderr, " %02X", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

// The protocol's shape as this fuzzer knows it, independent of the parser's tables.
struct Shape {
  PassVerb verb;
  std::string_view word;
  size_t fields;
};
constexpr Shape Shapes[] = {{PassVerb::Options, "options", 0},  {PassVerb::Prompt, "prompt", 1},
                            {PassVerb::Message, "message", 5},  {PassVerb::Store, "store", 2},
                            {PassVerb::Copy, "copy", 1},        {PassVerb::Done, "done", 0},
                            {PassVerb::Answer, "answer", 1},    {PassVerb::Wait, "wait", 0},
                            {PassVerb::Logged, "logged", 1},    {PassVerb::Skipped, "skipped", 2},
                            {PassVerb::NoOffice, "nooffice", 1}};

const Shape& ShapeOf(PassVerb verb) { return *std::ranges::find(Shapes, verb, &Shape::verb); }

bool IsAsk(PassVerb verb) {
  return verb == PassVerb::Options || verb == PassVerb::Prompt || verb == PassVerb::Message;
}

bool SameMessage(const PassMessage& a, const PassMessage& b) {
  return a.verb == b.verb && a.fields == b.fields;
}

std::vector<std::string> LinesOf(std::string_view bytes) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(bytes)};
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A message is well formed exactly when it has its verb's number of fields and a message box's
// buttons and icon are 0 or 1.
bool WellFormed(const PassMessage& message) {
  if (message.fields.size() != ShapeOf(message.verb).fields) return false;
  if (message.verb == PassVerb::Message) {
    for (size_t i : {2, 3}) {
      if (message.fields[i] != "0" && message.fields[i] != "1") return false;
    }
  }
  return true;
}

void CheckRoundTrip(std::string_view bytes, std::string_view input) {
  if (bytes.empty()) return;
  PassMessage message{Shapes[static_cast<unsigned char>(bytes[0]) % std::size(Shapes)].verb, {}};
  bytes.remove_prefix(1);
  for (size_t start = 0; start <= bytes.size() && !bytes.empty();) {
    const size_t nul = std::min(bytes.find('\0', start), bytes.size());
    message.fields.emplace_back(bytes.substr(start, nul - start));
    start = nul + 1;
  }
  const std::string line = tg::EncodePassMessage(message);
  Require(line.find_first_of("\r\n") == std::string::npos, "an encoded message is one line", input);
  const std::optional<PassMessage> back = tg::ParsePassMessage(line);
  if (WellFormed(message)) {
    Require(back && SameMessage(*back, message), "a well-formed message reads back the same",
            input);
  } else {
    Require(!back, "a malformed message is refused", input);
  }
}

// Whatever line the parser takes is well formed, has one tab per field after its verb's word,
// and encodes to a line that reads back as the same message.
void CheckParsedLine(const std::string& line, std::string_view input) {
  const std::optional<PassMessage> message = tg::ParsePassMessage(line);
  if (!message) return;
  Require(WellFormed(*message), "a line taken is well formed", input);
  Require(static_cast<size_t>(std::ranges::count(line, '\t')) == message->fields.size(),
          "a line taken has one tab per field", input);
  const std::string_view word = ShapeOf(message->verb).word;
  Require(line.compare(0, word.size(), word) == 0 &&
              (line.size() == word.size() || line[word.size()] == '\t'),
          "a line taken starts with its verb's word", input);
  const std::optional<PassMessage> again = tg::ParsePassMessage(tg::EncodePassMessage(*message));
  Require(again && SameMessage(*again, *message), "a line taken encodes back to itself", input);
}

// --- The window's side ---------------------------------------------------------------------------

// A helper that says the fuzzer's lines and has ended once it has said them all.
class ScriptedHelper : public tg::HelperProcess {
 public:
  explicit ScriptedHelper(std::vector<std::string> lines) : lines_(lines.begin(), lines.end()) {}
  void start(std::string_view) override { ++starts; }
  std::optional<std::string> takeLine() override {
    if (lines_.empty() || stops > 0) return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    ++taken;
    return line;
  }
  void send(std::string_view line) override { sent.emplace_back(line); }
  bool running() const override { return !lines_.empty() && stops == 0; }
  void stop() override { ++stops; }
  std::uint64_t workDone() const override { return 0; }

  std::vector<std::string> sent;
  size_t taken = 0;
  int starts = 0;
  int stops = 0;

 private:
  std::deque<std::string> lines_;
};

void CheckWindowSide(std::string_view bytes, std::string_view input) {
  const std::vector<std::string> lines = LinesOf(bytes);
  ScriptedHelper helper(lines);
  const tg::PassOptions options{.sameFolder = true,
                                .chosenFolder = false,
                                .folder = "/safe/folder",
                                .stamp = true,
                                .newFile = true,
                                .overwrite = false,
                                .keep = 3};
  tg::RecordingDialogs dialogs;
  dialogs.folderAnswers = {"/picked"};
  tg::CountingMessageLoop loop;
  tg::FixedClock clock;
  const std::string log = "/logs/Tallyguard.txt";
  tg::RunPassInHelper(tg::WindowSideContext{helper, [&options] { return options; }, dialogs, loop,
                                            clock, log, tg::OfficeHangSeconds});

  // What the window must have done, line by line, up to the first line it cannot read.
  std::vector<std::string> answers;
  size_t messageBoxes = 0;
  std::optional<size_t> garbage;
  bool done = false;
  bool skipped = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::optional<PassMessage> message = tg::ParsePassMessage(lines[i]);
    if (!message) {
      garbage = i;
      break;
    }
    done = done || message->verb == PassVerb::Done;
    skipped = skipped || message->verb == PassVerb::Skipped;
    if (message->verb == PassVerb::Options) answers.push_back(tg::EncodePassOptions(options));
    if (message->verb == PassVerb::Message) ++messageBoxes;
    if (IsAsk(message->verb) && message->verb != PassVerb::Options) answers.emplace_back();
  }
  Require(helper.starts == 1, "the window starts one helper", input);
  Require(helper.sent.size() == answers.size(), "every ask gets one answer, nothing else does",
          input);
  for (size_t i = 0; i < answers.size(); ++i) {
    const std::optional<PassMessage> sent = tg::ParsePassMessage(helper.sent[i]);
    Require(sent && sent->verb == PassVerb::Answer, "the window sends well-formed answers", input);
    // An ask for the options is answered with them as they stand.
    if (!answers[i].empty()) {
      Require(sent->fields[0] == answers[i], "the options are answered as they stand", input);
    }
  }
  const bool failed = garbage.has_value() || !done;
  Require(helper.stops == (failed ? 1 : 0), "the helper is ended exactly when the pass failed",
          input);
  // A window tells the folders that were too full once, after a pass that ended well.
  Require(dialogs.messages.size() == messageBoxes + (failed || skipped ? 1 : 0),
          "one report for a failed pass or the full folders, none otherwise", input);
  if (garbage) {
    Require(helper.taken == *garbage + 1, "no line is taken after one that cannot be read", input);
    Require(dialogs.messages.back().text.starts_with(tg::Descriptions::HelperGarbled),
            "a garbled line is reported as such", input);
  }
}

// --- The helper's side ---------------------------------------------------------------------------

struct HelperOutcome {
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> record;
  std::string toWindow;
  size_t copies = 0;
  bool threw = false;
};

// One pass of the helper over an office with a stored and a never-stored spreadsheet, the
// window's side of the line given as `fromWindow`.
HelperOutcome ServeOnce(const std::string& fromWindow, std::string_view input) {
  tg::MemoryFileSystem files;
  files.directories = {"/", "/data", "/logs", "/safe", "/picked"};
  files.files["/data/Budget.ods"] = "budget";
  tg::MemorySuite suite;
  suite.openSpreadsheet("file:///data/Budget.ods", "budget");
  suite.openNeverStored("Untitled 1");
  suite.disk = &files;
  tg::MemoryFileFacts facts(files);
  tg::MemoryPrivateState state;
  tg::FixedClock clock;
  const tg::UnitedStatesRegionalSettings regional;
  std::istringstream in(fromWindow);
  std::ostringstream out;
  HelperOutcome outcome;
  try {
    tg::ServePass(in, out,
                  tg::PassEnvironment{suite, files, clock, regional, "/logs/Tallyguard.txt",
                                      tg::PathStyle::Posix, &facts, &state});
  } catch (const std::runtime_error&) {
    outcome.threw = true;  // the window is gone or garbled: the pass ends
  } catch (const std::exception& unexpected) {
    std::fprintf(stderr, "unexpected exception: %s\n", unexpected.what());
    Require(false, "only a lost window ends the helper's pass early", input);
  }
  outcome.files = files.files;
  outcome.record = state.files;
  outcome.toWindow = out.str();
  outcome.copies = suite.copies.size();
  return outcome;
}

// What the helper said, with the text of each message box left out: a garbled answer and a
// window that is gone are told apart there, and only there.
std::vector<PassMessage> AsksIn(const std::string& toWindow) {
  std::vector<PassMessage> asks;
  for (const std::string& line : LinesOf(toWindow)) {
    PassMessage message = tg::ParsePassMessage(line).value();
    if (message.verb == PassVerb::Message) message.fields[0].clear();
    asks.push_back(std::move(message));
  }
  return asks;
}

void CheckHelperSide(std::string_view bytes, std::string_view input) {
  const std::string fromWindow(bytes);
  const HelperOutcome outcome = ServeOnce(fromWindow, input);
  for (const std::string& line : LinesOf(outcome.toWindow)) {
    Require(tg::ParsePassMessage(line).has_value(), "the helper writes well-formed lines", input);
  }

  // The same pass with the window's side cut just before its first line that is not an answer
  // must end alike: a garbled answer counts as a window that is gone, never as a value.
  const std::vector<std::string> lines = LinesOf(bytes);
  std::string before;
  bool garbled = false;
  for (const std::string& line : lines) {
    const std::optional<PassMessage> message = tg::ParsePassMessage(line);
    if (!message || message->verb != PassVerb::Answer) {
      garbled = true;
      break;
    }
    before += line + '\n';
  }
  if (!garbled) return;
  const HelperOutcome cut = ServeOnce(before, input);
  Require(outcome.files == cut.files, "garbage from the window writes no file", input);
  Require(outcome.copies == cut.copies, "garbage from the window stores no copy", input);
  Require(outcome.record == cut.record, "garbage from the window records nothing", input);
  const std::vector<PassMessage> asks = AsksIn(outcome.toWindow), cutAsks = AsksIn(cut.toWindow);
  Require(std::ranges::equal(asks, cutAsks, SameMessage),
          "garbage from the window draws no further ask", input);
  Require(outcome.threw == cut.threw, "garbage from the window ends the pass", input);
  if (before.empty()) {
    Require(outcome.copies == 0 && !outcome.files.contains("/logs/Tallyguard.txt"),
            "garbage as the first answer: no copy, no history line", input);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view bytes = input.substr(1);
  for (const std::string& line : LinesOf(bytes)) CheckParsedLine(line, input);
  switch (data[0] % 3) {
    case 0:
      CheckRoundTrip(bytes, input);
      break;
    case 1:
      CheckWindowSide(bytes, input);
      break;
    default:
      CheckHelperSide(bytes, input);
      break;
  }
  return 0;
}
