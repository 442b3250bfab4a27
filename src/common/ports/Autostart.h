#pragma once

namespace tg {

// Start at logon for the current user. Never reports anything.
class Autostart {
 public:
  virtual ~Autostart() = default;
  virtual void enable() = 0;
  virtual void disable() = 0;
};

}  // namespace tg
