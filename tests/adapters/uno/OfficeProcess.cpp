#include "OfficeProcess.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "adapters/posix/OfficeInstance.h"

namespace tg::office {
namespace {

// Launchers still running, for the last-chance cleanup when the test program dies.
constexpr int MaxOffices = 8;
std::atomic<pid_t> liveLaunchers[MaxOffices];

void Remember(pid_t launcher) {
  for (auto& slot : liveLaunchers) {
    pid_t empty = 0;
    if (slot.compare_exchange_strong(empty, launcher)) return;
  }
}

void Forget(pid_t launcher) {
  for (auto& slot : liveLaunchers) {
    pid_t expected = launcher;
    slot.compare_exchange_strong(expected, 0);
  }
}

// The office process runs as the launcher's child.
std::vector<pid_t> ChildrenOf(pid_t parent) {
  std::vector<pid_t> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(line.substr(close + 2));
    char state;
    pid_t ppid = 0;
    rest >> state >> ppid;
    if (ppid == parent) children.push_back(static_cast<pid_t>(std::stoi(name)));
  }
  return children;
}

// Every process below `parent`, children before their own children.
std::vector<pid_t> DescendantsOf(pid_t parent) {
  std::vector<pid_t> all = ChildrenOf(parent);
  for (size_t i = 0; i < all.size(); ++i) {
    for (pid_t grandchild : ChildrenOf(all[i])) all.push_back(grandchild);
  }
  return all;
}

// The office processes signalled, so that the caller can wait for them: the launcher is reaped
// before the office has finished dying and let go of its sockets, and a helper the office started
// may hold the same sockets.
std::vector<pid_t> SignalTree(pid_t launcher, int signal) {
  std::vector<pid_t> offices = DescendantsOf(launcher);
  for (pid_t office : offices) ::kill(office, signal);
  ::kill(launcher, signal);
  return offices;
}

// Until every one of `offices` is gone (a zombie still holds nothing), or the limit passes.
void WaitGone(const std::vector<pid_t>& offices, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (pid_t office : offices) {
    while (std::chrono::steady_clock::now() < deadline) {
      std::ifstream stat("/proc/" + std::to_string(office) + "/stat");
      std::string line;
      if (!std::getline(stat, line)) break;
      size_t close = line.rfind(')');
      if (close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z') break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
}

bool WaitFor(pid_t launcher, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    pid_t done = waitpid(launcher, &status, WNOHANG);
    if (done == launcher || done < 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void KillAllFromSignal(int signal) {
  for (auto& slot : liveLaunchers) {
    pid_t launcher = slot.load();
    if (launcher > 0) ::kill(-launcher, SIGKILL);  // its own process group: office included
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void KillAllAtExit() {
  for (auto& slot : liveLaunchers) {
    pid_t launcher = slot.exchange(0);
    if (launcher > 0) {
      SignalTree(launcher, SIGKILL);
      waitpid(launcher, nullptr, 0);
    }
  }
}

void InstallLastChanceCleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  std::atexit(KillAllAtExit);
  for (int fatal : {SIGSEGV, SIGABRT, SIGBUS, SIGINT, SIGTERM}) ::signal(fatal, KillAllFromSignal);
}

// The office leaves the files of its sockets (its pipe, its profile's single instance) in /tmp
// when it is stopped or killed; nothing serves them once it is gone.
void RemoveSocketFile(const std::string& path) {
  struct stat facts {};
  if (::lstat(path.c_str(), &facts) == 0 && S_ISSOCK(facts.st_mode)) ::unlink(path.c_str());
}

}  // namespace

std::string TestLauncher() {
  const char* chosen = std::getenv("TALLYGUARD_TEST_SOFFICE");
  return chosen && *chosen ? chosen : "/usr/lib/libreoffice/program/soffice";
}

OfficeProcess::OfficeProcess() {
  static int counter = 0;
  std::string base = (std::filesystem::temp_directory_path() / "tallyguard-office-XXXXXX").string();
  if (!mkdtemp(base.data())) throw std::runtime_error("Cannot make a profile folder.");
  profile_ = base;
  pipe_ = "tallyguard_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
}

OfficeProcess::~OfficeProcess() {
  stop();
  RemoveSocketFile(OfficePipePath(pipe_));
  RemoveSocketFile(SingleInstanceSocket(profileUrl()));
  std::error_code ignored;
  std::filesystem::remove_all(profile_, ignored);
}

void OfficeProcess::start() {
  if (running()) return;
  InstallLastChanceCleanup();
  // An office that was killed leaves its profile lock behind.
  std::error_code ignored;
  std::filesystem::remove(profile_ + "/.lock", ignored);
  std::vector<std::string> words = {
      TestLauncher(),
      "-env:UserInstallation=" + profileUrl(),
      "--headless",
      "--invisible",
      "--norestore",
      "--nologo",
      "--nodefault",
      "--nolockcheck",
      "--accept=pipe,name=" + pipe_ + ";urp;StarOffice.ComponentContext"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t parent = getpid();
  pid_t child = fork();
  if (child < 0) throw std::runtime_error("Cannot start the office.");
  if (child == 0) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  setpgid(child, child);
  launcher_ = child;
  Remember(child);
}

void OfficeProcess::stop() {
  if (!running()) return;
  std::vector<pid_t> offices = SignalTree(launcher_, SIGTERM);
  if (!WaitFor(launcher_, std::chrono::seconds(10))) {
    SignalTree(launcher_, SIGKILL);
    WaitFor(launcher_, std::chrono::seconds(5));
  }
  WaitGone(offices, std::chrono::seconds(5));
  // Whatever of the office is left in its group goes too.
  ::kill(-launcher_, SIGKILL);
  Forget(launcher_);
  launcher_ = -1;
}

void OfficeProcess::kill() {
  if (!running()) return;
  std::vector<pid_t> offices = SignalTree(launcher_, SIGKILL);
  WaitFor(launcher_, std::chrono::seconds(5));
  WaitGone(offices, std::chrono::seconds(5));
  ::kill(-launcher_, SIGKILL);
  Forget(launcher_);
  launcher_ = -1;
}

}  // namespace tg::office
