#pragma once
// An administrator's settings file, in the INI dialect KDE's configuration files use: groups in
// brackets, "Key=value" lines, comments starting with '#' or ';'. The mark "[$i]" makes a value
// immutable: after a key ("Key[$i]=value") it locks that key, after a group's header
// ("[Group][$i]") every key of that group in this file, and alone on a line before the first group
// every key of the file. Marks are never part of a name.

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace tg {

struct SystemValue {
  std::string text;
  bool locked = false;
};

// The keys of `group` as the file's text sets them. Lines that are neither a group, a key nor a
// comment are skipped; so are the keys after a header that does not read, and translated values
// ("Key[de]=..."). A key set twice keeps its later value, unless the earlier one was locked.
// Keys may be written with QSettings' escapes ("Keep%20Copies") or plainly; values may be quoted.
std::map<std::string, SystemValue, std::less<>> ReadSystemSettings(std::string_view fileText,
                                                                   std::string_view group);

}  // namespace tg
