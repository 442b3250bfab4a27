#pragma once

#include <string>

namespace tg {

// Tells the user something while no window of the program runs (a backup asked for from the
// desktop): a balloon over an icon of the program's own in the notification area, shown until
// it is closed or 10 seconds have passed, then the icon goes again.
void TellInBalloon(const std::string& title, const std::string& text);

}  // namespace tg
