// tallyguard-watch: the change watch the window starts and keeps (see ChangeWatchMain.h).

#include <iostream>

#include "adapters/posix/ChangeWatchMain.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::cerr << "usage: tallyguard-watch HISTORY-LOG (started by the Tallyguard window)\n";
    return 2;
  }
  return tg::RunChangeWatch(argv[1]);
}
