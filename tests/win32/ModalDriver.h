#pragma once
// Drives a modal window from a second thread while the test's thread sits in the window's own
// message loop: waits for the window to show, then runs the test's steps on it. A window that
// never shows fails the test, and every dialog and menu of the test's thread is ended so the
// modal call returns.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tg::testing {

inline std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

inline std::string TextOf(HWND window) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(
      static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The visible top-level windows of a thread with this class.
inline std::vector<HWND> ThreadWindows(DWORD thread, const std::string& className) {
  struct Search {
    std::string className;
    std::vector<HWND> found;
  } search{className, {}};
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM data) {
        auto* search = reinterpret_cast<Search*>(data);
        if (IsWindowVisible(window) && ClassOf(window) == search->className) {
          search->found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The child windows of a window with this class, in their order.
inline std::vector<HWND> ChildWindows(HWND parent, const std::string& className) {
  struct Search {
    std::string className;
    std::vector<HWND> found;
  } search{className, {}};
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM data) {
        auto* search = reinterpret_cast<Search*>(data);
        if (ClassOf(window) == search->className) search->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Popup menus (#32768) belong to no thread EnumThreadWindows lists on every system; dialogs do.
inline HWND FindShownWindow(DWORD thread, const std::string& className) {
  if (className == "#32768") {
    HWND menu = FindWindowA("#32768", nullptr);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
  }
  const std::vector<HWND> windows = ThreadWindows(thread, className);
  return windows.empty() ? nullptr : windows.front();
}

class ModalDriver {
 public:
  // The first user32 work of a process under Wine can take about ten seconds.
  static constexpr std::chrono::seconds Patience{40};

  ModalDriver(std::string className, std::function<void(HWND)> steps)
      : testThread_(GetCurrentThreadId()),
        worker_([this, className = std::move(className), steps = std::move(steps)] {
          drive(className, steps);
        }) {}
  ~ModalDriver() {
    if (worker_.joinable()) worker_.join();
  }
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  // Waits for the steps to be over; the test reads what they saw afterwards.
  bool found() {
    if (worker_.joinable()) worker_.join();
    return found_;
  }

 private:
  void drive(const std::string& className, const std::function<void(HWND)>& steps) {
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    while (std::chrono::steady_clock::now() < deadline) {
      if (HWND window = FindShownWindow(testThread_, className)) {
        found_ = true;
        steps(window);
        return;
      }
      Sleep(50);
    }
    endEveryModalLoop();
  }

  void endEveryModalLoop() {
    for (HWND dialog : ThreadWindows(testThread_, "#32770")) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    if (HWND menu = FindWindowA("#32768", nullptr)) PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  }

  DWORD testThread_;
  bool found_ = false;
  std::thread worker_;
};

}  // namespace tg::testing
