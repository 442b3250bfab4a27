#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "common/ports/Controls.h"

namespace tg {

struct IntervalChoice {
  std::string_view text;
  std::int32_t seconds;
};

// The interval list's twelve entries, in list order (position = index + 1).
inline constexpr std::array<IntervalChoice, 12> IntervalTable = {{
    {"Save every 30 seconds", 30},
    {"Save every 1 minute", 60},
    {"Save every 5 minutes", 300},
    {"Save every 10 minutes", 600},
    {"Save every 15 minutes", 900},
    {"Save every 20 minutes", 1200},
    {"Save every 30 minutes", 1800},
    {"Save every 1 hour", 3600},
    {"Save every 2 hours", 7200},
    {"Save every 4 hours", 14400},
    {"Save every 8 hours", 28800},
    {"Save every 24 hours", 86400},
}};

// Seconds for an entry's text (exact comparison); 0 for a text that matches none.
std::int32_t IntervalForText(std::string_view text);

// Seconds for the list's selected entry; throws when no entry is selected.
std::int32_t IntervalForSelection(const ListView& list);

}  // namespace tg
