#pragma once
// The lines the backup helper and the window exchange while a pass runs in the helper. One
// message a line; fields are separated by tabs and escaped ("%" + two hex digits for "%", tab,
// CR and LF), so any text, even one with line breaks, crosses as one line.
//
// Helper to window: the helper asks, the window answers each ask with one "answer" line.
//   options                              ask: the options as they stand now (EncodePassOptions)
//   prompt <text>                        ask: the folder prompt; answer "" for a cancel
//   message <text> <title> <buttons> <icon> <document>
//                                        ask: a message box about the document the pass is at
//                                        (its file name; "" for none); answer the button pressed
//   store <backup path> <document>       a store of the document (its file name) into the office
//                                        begins
//   copy <backup path>                   a copy is complete under its final name; what comes
//                                        after it is about that document only if it says so
//   logged <history line>                the line the history log got for a copy
//   skipped <file name> <folder>         a copy left out: its disk would be nearly full
//   nooffice <reason>                    the user's own office did not answer; nothing was done
//   wait                                 the helper waits for another backup of this user to end
//   done                                 the pass is over
// Window to helper:
//   answer <text>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ports/Dialogs.h"

namespace tg {

// The program started with this flag and a history log's path is the backup helper.
inline constexpr const char* BackupPassFlag = "--backup-pass";

enum class PassVerb {
  Options,
  Prompt,
  Message,
  Store,
  Copy,
  Done,
  Answer,
  Wait,
  Logged,
  Skipped,
  NoOffice
};

struct PassMessage {
  PassVerb verb;
  std::vector<std::string> fields;
};

// A field as it crosses: "%", tab, CR and LF as "%" and two hex digits; and back, nothing when a
// "%" starts no such escape.
std::string EscapeField(std::string_view text);
std::optional<std::string> UnescapeField(std::string_view text);

std::string EncodePassMessage(const PassMessage& message);
// Nothing when the line is not a well-formed message: unknown verb, wrong number of fields, a
// bad escape, buttons or icon out of range.
std::optional<PassMessage> ParsePassMessage(std::string_view line);

std::string_view ToText(MessageAnswer answer);
std::optional<MessageAnswer> ParseMessageAnswer(std::string_view text);

}  // namespace tg
