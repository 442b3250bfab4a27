#pragma once
// The lines of a history log as the program writes them: each ends in CR LF.

#include <string>
#include <string_view>
#include <vector>

namespace tg::testing {

inline std::vector<std::string> HistoryLinesOf(std::string_view text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

}  // namespace tg::testing
