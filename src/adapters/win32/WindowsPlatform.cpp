#include "adapters/win32/WindowsPlatform.h"

#include <sddl.h>

#include <vector>

namespace tg {

std::optional<std::string> WindowsEnvironment::variable(std::string_view name) const {
  const std::string key(name);
  SetLastError(ERROR_SUCCESS);
  DWORD size = GetEnvironmentVariableA(key.c_str(), nullptr, 0);
  if (size == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::vector<char> value(size, '\0');
  DWORD length = GetEnvironmentVariableA(key.c_str(), value.data(), size);
  return std::string(value.data(), length < size ? length : 0);
}

std::string WindowsEnvironment::stateFolder() const {
  std::optional<std::string> temp = variable("TEMP");
  if (temp && !temp->empty()) return *temp;
  // The user's temporary folder all the same, so the log never lands in a drive's root.
  char folder[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return "";
  std::string path(folder, length);
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

LocalDateTime WindowsClock::now() const {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

// By the time zone's rule for that date, summer time included, as the clock read then; the
// file's time in UTC where the zone cannot be read.
LocalDateTime WindowsClock::localTimeOf(std::int64_t fileNanoseconds) const {
  // 100 ns steps between 1601-01-01, where FILETIME counts from, and 1970-01-01.
  constexpr std::int64_t FileTimeAt1970 = 116'444'736'000'000'000;
  std::int64_t steps = fileNanoseconds / 100;
  if (fileNanoseconds % 100 < 0) --steps;
  const auto fileTime = static_cast<std::uint64_t>(steps + FileTimeAt1970);
  const FILETIME file{static_cast<DWORD>(fileTime & 0xffffffffu),
                      static_cast<DWORD>(fileTime >> 32)};
  SYSTEMTIME utc{}, local{};
  if (!FileTimeToSystemTime(&file, &utc)) return {};
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

double WindowsClock::secondsSinceStart() const {
  LARGE_INTEGER count{}, frequency{};
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

namespace {

SYSTEMTIME ToSystemTime(const LocalDateTime& when) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(when.year);
  time.wMonth = static_cast<WORD>(when.month);
  time.wDay = static_cast<WORD>(when.day);
  time.wHour = static_cast<WORD>(when.hour);
  time.wMinute = static_cast<WORD>(when.minute);
  time.wSecond = static_cast<WORD>(when.second);
  return time;
}

// The answers of GetDateFormatA and GetTimeFormatA count their NUL.
std::string Trimmed(const char* text, int length) {
  return length > 0 ? std::string(text, static_cast<size_t>(length - 1)) : std::string();
}

}  // namespace

std::string WindowsRegionalSettings::info(LCTYPE item) const {
  char text[256];
  return Trimmed(text, GetLocaleInfoA(locale_, item, text, sizeof text));
}

std::string WindowsRegionalSettings::monthName(int month) const {
  if (month < 1 || month > 12) return "";
  return info(LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(month - 1));
}

std::string WindowsRegionalSettings::amDesignator() const { return info(LOCALE_S1159); }
std::string WindowsRegionalSettings::pmDesignator() const { return info(LOCALE_S2359); }

std::string WindowsRegionalSettings::shortDate(const LocalDateTime& when) const {
  SYSTEMTIME time = ToSystemTime(when);
  char text[256];
  return Trimmed(text, GetDateFormatA(locale_, DATE_SHORTDATE, &time, nullptr, text, sizeof text));
}

std::string WindowsRegionalSettings::longTime(const LocalDateTime& when) const {
  SYSTEMTIME time = ToSystemTime(when);
  char text[256];
  return Trimmed(text, GetTimeFormatA(locale_, 0, &time, nullptr, text, sizeof text));
}

std::vector<unsigned char> CurrentUserSidBytes() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> user(size);
  std::vector<unsigned char> sid;
  if (size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
    PSID own = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    const auto* bytes = static_cast<const unsigned char*>(own);
    sid.assign(bytes, bytes + GetLengthSid(own));
  }
  CloseHandle(token);
  return sid;
}

std::string CurrentUserSid() {
  std::vector<unsigned char> bytes = CurrentUserSidBytes();
  std::string sid;
  wchar_t* text = nullptr;
  if (!bytes.empty() && ConvertSidToStringSidW(bytes.data(), &text)) {
    // A SID's text is "S-" and digits and dashes only.
    for (const wchar_t* c = text; *c != L'\0'; ++c) sid += static_cast<char>(*c);
    LocalFree(text);
  }
  return sid;
}

MutexSingleInstance::MutexSingleInstance() {
  const std::string sid = CurrentUserSid();
  if (sid.empty()) {
    problem_ =
        "Tallyguard could not tell which user it runs as, so it cannot make sure it runs "
        "only once.";
    return;
  }
  name_ = "Local\\Morvane.Tallyguard." + sid;
}

MutexSingleInstance::~MutexSingleInstance() {
  if (mutex_) CloseHandle(mutex_);
}

bool MutexSingleInstance::anotherCopyRuns() {
  if (answer_ < 0) {
    answer_ = 0;
    if (name_.empty()) return false;
    SetLastError(ERROR_SUCCESS);
    mutex_ = CreateMutexA(nullptr, FALSE, name_.c_str());
    const DWORD error = GetLastError();
    if (mutex_ != nullptr && error == ERROR_ALREADY_EXISTS) {
      answer_ = 1;
    } else if (mutex_ == nullptr) {
      // Only this user's own running copy counts; an object of that name this user may not open
      // belongs to someone else.
      problem_ = "Tallyguard could not make its mutex " + name_ +
                 (error == ERROR_ACCESS_DENIED
                      ? ": another account holds an object of that name."
                      : ": Windows refused it (error " + std::to_string(error) + ").");
    }
  }
  return answer_ == 1;
}

std::string RunningExecutablePath() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return "";
    if (length < path.size()) return std::string(path.data(), length);
    path.resize(path.size() * 2);
  }
}

}  // namespace tg
