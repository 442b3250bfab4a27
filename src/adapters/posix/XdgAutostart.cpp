#include "adapters/posix/XdgAutostart.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

namespace tg {

namespace fs = std::filesystem;

namespace {

std::string QuotedArgument(std::string_view argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// A lone '%' would start a field code such as %f.
std::string WithoutFieldCodes(std::string_view text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

std::string KeyFileString(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// XDG base directories must be absolute; anything else is to be ignored.
std::optional<fs::path> AbsoluteVariable(const Environment& environment, std::string_view name) {
  std::optional<std::string> value = environment.variable(name);
  if (!value || value->empty() || value->front() != '/') return std::nullopt;
  return fs::path(*value);
}

std::string EntryText(const fs::path& executable) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Tallyguard\n"
         "Comment=Keeps backup copies of the open spreadsheets\n"
         "Exec=" +
         DesktopEntryExecValue(executable.string()) +
         "\n"
         "Icon=tallyguard\n"
         "Terminal=false\n";
}

// Written beside the entry and renamed over it, so a session starting meanwhile never reads half.
void WriteWhole(const fs::path& path, const std::string& text) {
  fs::path partial = path;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) return;
    out << text;
    if (!out.flush()) return;
  }
  std::error_code ignored;
  fs::rename(partial, path, ignored);
  if (ignored) fs::remove(partial, ignored);
}

}  // namespace

std::string DesktopEntryExecValue(std::string_view program) {
  return KeyFileString(WithoutFieldCodes(QuotedArgument(program)));
}

XdgAutostart::XdgAutostart(const Environment& environment, fs::path executable)
    : environment_(environment), executable_(std::move(executable)) {}

fs::path XdgAutostart::folder() const {
  if (auto config = AbsoluteVariable(environment_, "XDG_CONFIG_HOME")) return *config / "autostart";
  if (auto home = AbsoluteVariable(environment_, "HOME")) return *home / ".config" / "autostart";
  return {};
}

fs::path XdgAutostart::entryPath() const {
  fs::path where = folder();
  if (where.empty() || executable_.filename().empty()) return {};
  return where / (executable_.filename().string() + ".desktop");
}

void XdgAutostart::enable() {
  fs::path entry = entryPath();
  if (entry.empty()) return;
  std::error_code ignored;
  fs::create_directories(entry.parent_path(), ignored);
  WriteWhole(entry, EntryText(executable_));
}

bool XdgAutostart::startsForEveryone() const {
  std::string folders = environment_.variable("XDG_CONFIG_DIRS").value_or("");
  if (folders.empty()) folders = "/etc/xdg";
  size_t start = 0;
  while (start <= folders.size()) {
    const size_t end = std::min(folders.find(':', start), folders.size());
    const fs::path folder = folders.substr(start, end - start);
    std::error_code ignored;
    if (folder.is_absolute() &&
        fs::is_regular_file(folder / "autostart" / AdministeredEntryName, ignored)) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

void XdgAutostart::disable() {
  fs::path entry = entryPath();
  if (entry.empty()) return;
  std::error_code ignored;
  fs::remove(entry, ignored);
}

}  // namespace tg
