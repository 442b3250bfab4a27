#pragma once
// Late-bound automation: objects created by programmatic identifier and called by method name.
// The backup pass and the office-suite check only ever talk to the office suite through this.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tg {

class AutomationObject;
using ObjectRef = std::shared_ptr<AutomationObject>;

struct Value;
using ValueList = std::vector<Value>;

// One argument or result of a late-bound call.
struct Value {
  std::variant<std::monostate, std::string, bool, std::int32_t, ObjectRef, ValueList> data;

  Value() = default;
  Value(const char* text) : data(std::string(text)) {}
  Value(std::string text) : data(std::move(text)) {}
  Value(bool flag) : data(flag) {}
  Value(std::int32_t number) : data(number) {}
  Value(ObjectRef object) : data(std::move(object)) {}
  Value(ValueList list) : data(std::move(list)) {}

  bool isEmpty() const { return std::holds_alternative<std::monostate>(data); }
  // Each accessor throws AutomationError when the value holds another kind.
  const std::string& asText() const;
  bool asBool() const;
  std::int32_t asInt() const;
  const ObjectRef& asObject() const;
  const ValueList& asList() const;
};

// A failed creation or call; what() is the human-readable description shown to the user.
class AutomationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// No office runs for this user: there is nothing to back up, and nothing to report.
class OfficeNotRunning : public AutomationError {
 public:
  using AutomationError::AutomationError;
};
inline constexpr const char* NoOfficeToBackUp =
    "The office suite is not running, so there is nothing to back up.";

// The one object the program creates by name: the office suite's service manager.
inline constexpr const char* OfficeServiceManagerId = "com.sun.star.ServiceManager";

// The office is installed where this program can't reach it (a sandbox): the text says what to
// install instead.
class OfficeOutOfReach : public AutomationError {
 public:
  using AutomationError::AutomationError;
};

// The office refuses calls for now, as it does while the user has one of its dialogs open; asking
// again for the next document would only be refused again.
class OfficeBusy : public AutomationError {
 public:
  using AutomationError::AutomationError;
};

// The office ended or the link to it broke during a call: nothing more can be asked of it.
class OfficeConnectionLost : public AutomationError {
 public:
  using AutomationError::AutomationError;
};

class AutomationObject {
 public:
  virtual ~AutomationObject() = default;
  // Names resolve without regard to case, as the office suite's own bridge does.
  virtual Value call(std::string_view method, const ValueList& args = {}) = 0;
  // Gives a property (or a member of a struct the office made) a value.
  virtual void set(std::string_view property, const Value& value) = 0;
};

class AutomationFactory {
 public:
  virtual ~AutomationFactory() = default;
  // Throws AutomationError when the object cannot be created, OfficeNotRunning when its server
  // is an office that does not run now (it is never started for this).
  virtual ObjectRef create(std::string_view programmaticId) = 0;
  // True when the object's server is installed and its automation module loads, without
  // creating the object, starting its server or waiting for it.
  virtual bool isInstalled(std::string_view programmaticId) = 0;
};

}  // namespace tg
