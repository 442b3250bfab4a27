#pragma once
// Handles a modal window from a second thread while the test's thread sits in that window's own
// message loop: waits for a shown window of the class, then runs the test's steps on it.

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tg::testing {

inline std::string TextOf(HWND window) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), int(text.size()))));
  return text;
}

// The child windows of a window with this class, in their order.
inline std::vector<HWND> ChildWindows(HWND parent, const char* className) {
  std::pair<const char*, std::vector<HWND>> search{className, {}};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM data) {
        auto& [wanted, found] = *reinterpret_cast<decltype(search)*>(data);
        char name[64] = "";
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, wanted) == 0) found.push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

class ModalDriver {
 public:
  // The first user32 work of a process under Wine can take about ten seconds: 40 s of patience.
  ModalDriver(const char* className, std::function<void(HWND)> steps)
      : worker_([this, className, steps = std::move(steps)] {
          for (int polls = 0; polls < 800 && !found_; ++polls, Sleep(50)) {
            HWND window = FindWindowA(className, nullptr);
            if (window && IsWindowVisible(window)) {
              found_ = true;
              steps(window);
            }
          }
        }) {}
  ~ModalDriver() { found(); }
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  // Waits for the steps to be over.
  bool found() {
    if (worker_.joinable()) worker_.join();
    return found_;
  }

 private:
  bool found_ = false;
  std::thread worker_;
};

}  // namespace tg::testing
