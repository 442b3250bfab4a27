#pragma once

namespace tg {

// Start at logon for the current user. Never reports anything.
class Autostart {
 public:
  virtual ~Autostart() = default;
  virtual void enable() = 0;
  virtual void disable() = 0;
  // Whether a machine-wide logon entry, which starts the program where the administrator locked
  // start at logon on, is installed: such a lock then needs no entry of the user's own.
  virtual bool startsForEveryone() const { return false; }
};

}  // namespace tg
