#include "common/ports/Automation.h"

namespace tg {
namespace {

template <class T>
const T& Expect(const Value& value, const char* kind) {
  if (const T* held = std::get_if<T>(&value.data)) return *held;
  throw AutomationError(std::string("The office suite returned an unexpected value (expected ") +
                        kind + ").");
}

}  // namespace

const std::string& Value::asText() const { return Expect<std::string>(*this, "text"); }
bool Value::asBool() const { return Expect<bool>(*this, "a yes/no value"); }
std::int32_t Value::asInt() const { return Expect<std::int32_t>(*this, "a number"); }
const ObjectRef& Value::asObject() const { return Expect<ObjectRef>(*this, "an object"); }
const ValueList& Value::asList() const { return Expect<ValueList>(*this, "a list"); }

}  // namespace tg
