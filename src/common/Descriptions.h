#pragma once
// Failure descriptions the program raises itself, in its own plain words; every front end and
// stand-in uses the same ones, so the user reads the same sentence wherever it comes from.

#include <string>
#include <string_view>

namespace tg::Descriptions {

inline constexpr std::string_view NoIntervalSelected =
    "No backup interval is selected in the list.";

inline std::string NoIntervalEntry(int position) {
  return "The interval list has no entry " + std::to_string(position) + ".";
}

inline std::string FileCannotBeRead(std::string_view path) {
  return "The file " + std::string(path) + " could not be read.";
}

inline std::string NothingOpens(std::string_view what) {
  return "No program on this computer could open " + std::string(what) + ".";
}

// A backup pass that could not be finished.
inline constexpr std::string_view OfficeNotResponding =
    "The office suite is not responding. The backup was stopped; it will be tried again at the "
    "next backup.";
inline constexpr std::string_view HelperGarbled =
    "The backup helper sent a message that could not be read. The backup was stopped.";
inline constexpr std::string_view HelperEndedEarly =
    "The backup helper ended before the backup was over.";

}  // namespace tg::Descriptions
