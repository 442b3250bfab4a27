// Sets the scene in a running headless office for the desktop tests and the demo: spreadsheets
// made, filled, stored and left open, as a user would have them while Tallyguard runs.
//   tallyguard_office_scene PIPE open PATH...  makes each PATH (.ods) and keeps it open
//   tallyguard_office_scene PIPE list          prints the title of every open component
//   tallyguard_office_scene PIPE open-filled ROWS COLUMNS PATH...
//                                              as open, each filled with ROWS x COLUMNS numbers
//   tallyguard_office_scene PIPE close-all     closes every open component
//   tallyguard_office_scene PIPE set PATH CELL TEXT
//                                              types TEXT into CELL of the open PATH
//   tallyguard_office_scene PIPE show PATH     opens PATH in a window of its own
//   tallyguard_office_scene PIPE cell PATH CELL
//                                              prints CELL of the file PATH, opened hidden and
//                                              read-only
//   tallyguard_office_scene PIPE bare-copies SUFFIX
//                                              stores a copy of every open spreadsheet beside it
//                                              (its name + SUFFIX + .ods) with a bare loop of typed
//                                              calls and prints the loop's seconds

#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "adapters/uno/RealSuite.h"

namespace {

int Usage() {
  std::cerr
      << "usage: tallyguard_office_scene PIPE open PATH... | PIPE list | PIPE open-filled "
         "ROWS COLUMNS PATH... | PIPE set PATH CELL TEXT | PIPE show PATH | PIPE cell PATH CELL | "
         "PIPE open-cell PATH CELL | PIPE close PATH | PIPE close-all | "
         "PIPE bare-copies "
         "SUFFIX\n";
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) return Usage();
  const std::string pipe = argv[1];
  const std::string command = argv[2];
  try {
    tg::office::RealSuite suite(pipe, 60.0);
    if (command == "open") {
      for (int i = 3; i < argc; ++i) {
        tg::office::Document sheet = suite.newSpreadsheet();
        suite.fill(sheet, 20, 5);
        suite.setCell(sheet, "A1", std::string("Made for ") + argv[i]);
        suite.storeAs(sheet, argv[i], "calc8");
        std::cout << suite.title(sheet) << "\n";
      }
      return 0;
    }
    if (command == "open-filled" && argc >= 5) {
      const int rows = std::stoi(argv[3]), columns = std::stoi(argv[4]);
      for (int i = 5; i < argc; ++i) {
        tg::office::Document sheet = suite.newSpreadsheet();
        suite.fill(sheet, rows, columns);
        suite.storeAs(sheet, argv[i], "calc8");
        std::cout << suite.title(sheet) << "\n";
      }
      return 0;
    }
    if (command == "set" && argc == 6) {
      for (const tg::office::Document& document : suite.components()) {
        if (suite.url(document) != tg::office::FileUrl(argv[3])) continue;
        suite.setCell(document, argv[4], argv[5]);
        return 0;
      }
      std::cerr << "office scene: " << argv[3] << " is not open\n";
      return 1;
    }
    if (command == "show" && argc == 4) {
      suite.show(argv[3]);
      return 0;
    }
    if (command == "cell" && argc == 5) {
      tg::office::Document file = suite.load(argv[3], "", true);
      std::cout << suite.cell(file, argv[4]) << "\n";
      suite.close(file);
      return 0;
    }
    // The cell as the office shows it in the open document, unsaved edits included.
    if (command == "open-cell" && argc == 5) {
      for (const tg::office::Document& document : suite.components()) {
        if (suite.url(document) != tg::office::FileUrl(argv[3])) continue;
        std::cout << suite.cell(document, argv[4]) << "\n";
        return 0;
      }
      std::cerr << "office scene: " << argv[3] << " is not open\n";
      return 1;
    }
    if (command == "close" && argc == 4) {
      for (const tg::office::Document& document : suite.components()) {
        if (suite.url(document) == tg::office::FileUrl(argv[3])) suite.close(document);
      }
      return 0;
    }
    if (command == "close-all") {
      suite.closeAll();
      return 0;
    }
    if (command == "bare-copies" && argc == 4) {
      const auto start = std::chrono::steady_clock::now();
      for (const tg::office::Document& document : suite.components()) {
        if (!suite.isSpreadsheet(document)) continue;
        const std::string url = suite.url(document);
        suite.storeCopy(document, url.substr(0, url.size() - 4) + argv[3] + ".ods", "calc8");
      }
      std::printf("%.3f\n",
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      return 0;
    }
    if (command == "list") {
      for (const tg::office::Document& document : suite.components()) {
        std::cout << suite.title(document) << "\n";
      }
      return 0;
    }
  } catch (const std::exception& failure) {
    std::cerr << "office scene: " << failure.what() << "\n";
    return 1;
  } catch (...) {
    std::cerr << "office scene: the office failed\n";
    return 1;
  }
  return Usage();
}
