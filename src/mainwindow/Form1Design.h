#pragma once
// The main window as it was designed: every control's name, kind, container, initial caption,
// place and size in twips, and font. Each front end builds and lays out its real controls from
// this one table, so the Linux and the Windows window cannot drift apart.

#include <array>
#include <string_view>

#include "mainwindow/Form1.h"

namespace tg {

enum class ControlKind {
  Frame,
  ProgressBar,
  CheckBox,
  OptionButton,
  TextBox,
  PushButton,
  ListView,
  TextBuffer,  // a hidden rich text box: the clipboard's go-between
  Label,
  NumberBox,
};

struct FontDesign {
  std::string_view face;
  bool bold;
  double points;
};

// Left, top, width, height in twips, relative to the container's client area.
struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

struct ControlDesign {
  std::string_view name;
  ControlKind kind;
  std::string_view container;  // empty: the window itself
  std::string_view caption;    // the designed caption or text; empty when the control shows none
  TwipsRect place;
  const FontDesign& font;
};

namespace Form1Design {

inline constexpr int ClientWidthTwips = 8040;
inline constexpr int ClientHeightTwips = 8250;

inline constexpr FontDesign WindowFont{"Arial", true, 9.0};  // also the list's
inline constexpr FontDesign PushButtonFont{"Arial", true, 11.25};

inline constexpr std::string_view DesignedText1 = "Text1";
inline constexpr std::string_view KeepCopiesLabel = "Keep newest copies (0 = all):";
inline constexpr std::string_view ThinCopiesCaption = "Thin out old copies";
// The thinning's whole rule, where the user decides on it.
inline constexpr std::string_view ThinCopiesTip =
    "Deletes old copies Tallyguard recorded. Of each document it keeps: the newest copy; every "
    "copy under 24 hours old; of copies 24 hours to 30 days old, the newest of each calendar day; "
    "of older ones, the newest of each week (Monday to Sunday); copies marked Keep; copies open "
    "in the office; and the copies \"Keep newest copies\" keeps (at 0 the thinning alone "
    "decides). Ages go by this computer's clock and each copy's file time.";

// In the order the window defines its controls; a container comes before what it holds. Timer1,
// cSysTray1 and the skin engine are invisible and have no place here.
inline constexpr std::array<ControlDesign, 25> Controls{{
    {"Frame2",
     ControlKind::Frame,
     "",
     Captions::DesignedCountdown,
     {120, 90, 7800, 840},
     WindowFont},
    {"ProgressBar1", ControlKind::ProgressBar, "Frame2", "", {240, 285, 7320, 405}, WindowFont},
    {"Frame3", ControlKind::Frame, "", Captions::OptionsFrame, {120, 2550, 7800, 2130}, WindowFont},
    {"Check8",
     ControlKind::CheckBox,
     "Frame3",
     "Start in system tray",
     {240, 1700, 3840, 255},
     WindowFont},
    {"Check5",
     ControlKind::CheckBox,
     "Frame3",
     "Load this software on Windows startup",
     {240, 1350, 3840, 255},
     WindowFont},
    {"Check6",
     ControlKind::CheckBox,
     "Frame3",
     "Date/Time stamp in file",
     {240, 1000, 3840, 255},
     WindowFont},
    {"Option4",
     ControlKind::OptionButton,
     "Frame3",
     "Overwrite old backup file on backup",
     {225, 650, 3840, 255},
     WindowFont},
    {"Option3",
     ControlKind::OptionButton,
     "Frame3",
     "Create new file on backup",
     {240, 300, 3840, 255},
     WindowFont},
    // Added to the right of the options frame, where it moves none of the controls before it.
    {"Label1", ControlKind::Label, "Frame3", KeepCopiesLabel, {4320, 300, 3300, 255}, WindowFont},
    {"Spin1", ControlKind::NumberBox, "Frame3", "", {4320, 620, 1080, 330}, WindowFont},
    // Below it, on the row of the stamp's box: the other half of which copies stay.
    {"Check9",
     ControlKind::CheckBox,
     "Frame3",
     ThinCopiesCaption,
     {4320, 1000, 3300, 255},
     WindowFont},
    // Below them, in the same free column: the way to the copies made.
    {"PushButton13",
     ControlKind::PushButton,
     "Frame3",
     Captions::Versions,
     {4320, 1320, 3300, 405},
     PushButtonFont},
    {"Frame1", ControlKind::Frame, "", Captions::WhereFrame, {120, 1000, 7800, 1480}, WindowFont},
    {"Option2",
     ControlKind::OptionButton,
     "Frame1",
     "Save all backups to the same folder as the open files",
     {240, 300, 6255, 255},
     WindowFont},
    {"Option1",
     ControlKind::OptionButton,
     "Frame1",
     "Save all backups to this location:",
     {240, 650, 3855, 255},
     WindowFont},
    {"Text1", ControlKind::TextBox, "Frame1", DesignedText1, {480, 960, 6015, 360}, WindowFont},
    {"PushButton1",
     ControlKind::PushButton,
     "Frame1",
     Captions::Browse,
     {6600, 960, 735, 360},
     PushButtonFont},
    {"ListView1", ControlKind::ListView, "", "", {120, 4800, 7800, 1815}, WindowFont},
    {"PushButton4",
     ControlKind::PushButton,
     "",
     Captions::DesignedStartStop,
     {120, 6705, 3840, 405},
     PushButtonFont},
    {"PushButton2",
     ControlKind::PushButton,
     "",
     Captions::BackupNow,
     {4080, 6705, 3840, 405},
     PushButtonFont},
    {"PushButton3",
     ControlKind::PushButton,
     "",
     Captions::ViewHistory,
     {120, 7230, 3840, 405},
     PushButtonFont},
    {"PushButton5",
     ControlKind::PushButton,
     "",
     Captions::CopyHistory,
     {4080, 7230, 3840, 405},
     PushButtonFont},
    {"RichTextBox1", ControlKind::TextBuffer, "", "", {9120, 240, 4815, 3015}, WindowFont},
    {"PushButton11",
     ControlKind::PushButton,
     "",
     Captions::Help,
     {120, 7740, 3840, 405},
     PushButtonFont},
    {"PushButton12",
     ControlKind::PushButton,
     "",
     Captions::ClearHistory,
     {4080, 7740, 3840, 405},
     PushButtonFont},
}};

// The design of the control of that name; throws std::out_of_range for a name not in the table.
const ControlDesign& Find(std::string_view name);

}  // namespace Form1Design

}  // namespace tg
