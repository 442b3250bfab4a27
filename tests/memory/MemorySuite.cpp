#include "memory/MemorySuite.h"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "backup/BackupNaming.h"
#include "backup/OfficeFailure.h"
#include "memory/MemoryFileSystem.h"

namespace tg {

struct MemorySuite::State {
  MemorySuite* suite = nullptr;
  std::vector<std::unique_ptr<MemoryDocument>> documents;
  struct Rule {
    int occurrence;
    std::string description;
    bool connectionLost = false;
  };
  std::multimap<std::string, Rule> failures;
  std::map<std::string, int> counts;
  int liveObjects = 0;
  int stores = 0;
};

namespace {

using State = MemorySuite::State;

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// Counts the call and throws when a rule says this one fails.
void CountAndMaybeFail(State& state, std::string_view method) {
  std::string key = Lower(method);
  int count = ++state.counts[key];
  auto [first, last] = state.failures.equal_range(key);
  for (auto rule = first; rule != last; ++rule) {
    if (rule->second.occurrence == 0 || rule->second.occurrence == count) {
      if (rule->second.connectionLost) throw OfficeConnectionLost(rule->second.description);
      throw AutomationError(rule->second.description);
    }
  }
}

std::string ServiceOf(ComponentKind kind) {
  switch (kind) {
    case ComponentKind::Spreadsheet:
      return "com.sun.star.sheet.SpreadsheetDocument";
    case ComponentKind::Text:
      return "com.sun.star.text.TextDocument";
    case ComponentKind::Presentation:
      return "com.sun.star.presentation.PresentationDocument";
    case ComponentKind::Drawing:
      return "com.sun.star.drawing.DrawingDocument";
    case ComponentKind::Other:
      return "com.sun.star.frame.Controller";
  }
  return "";
}

// A failure as the adapters deliver the office's exception: in plain words.
AutomationError OfficeRaised(std::string_view description) {
  return AutomationError(PlainOfficeFailure(FromBridgeDescription(description)));
}

AutomationError StoreFailed(const std::string& url, std::string_view code) {
  return OfficeRaised("com.sun.star.task.ErrorCodeIOException: SfxBaseModel::impl_store <" + url +
                      "> failed: " + std::string(code));
}

// The file the office writes for a URL: escapes decoded, a raw "#" ending it, and a drive
// letter's path ("/C:/Data/a.ods") written as Windows writes it.
std::string PathOfUrl(const std::string& url) {
  std::string path = DecodeUrlEscapes(
      url.substr(std::string("file://").size(), url.find('#') - std::string("file://").size()));
  if (path.size() > 2 && path[2] == ':') {
    path.erase(0, 1);
    std::replace(path.begin(), path.end(), '/', '\\');
  }
  return path;
}

AutomationError UnknownName(std::string_view method) {
  return AutomationError("Unknown name: " + std::string(method) + ".");
}

class MemoryObject;

// Recorded arguments name the objects they held instead of keeping them alive.
ValueList Recordable(const ValueList& args);

class MemoryObject : public AutomationObject {
 public:
  MemoryObject(std::shared_ptr<State> state, std::string label)
      : state_(std::move(state)), label_(std::move(label)) {
    ++state_->liveObjects;
  }
  ~MemoryObject() override { --state_->liveObjects; }
  const std::string& label() const { return label_; }

  Value call(std::string_view method, const ValueList& args) override {
    if (!state_->suite) throw AutomationError("The office suite is gone.");
    state_->suite->calls.push_back({label_, std::string(method), Recordable(args)});
    CountAndMaybeFail(*state_, method);
    return answer(Lower(method), method, args);
  }

  void set(std::string_view property, const Value& value) override {
    if (!state_->suite) throw AutomationError("The office suite is gone.");
    state_->suite->calls.push_back({label_, "set " + std::string(property), Recordable({value})});
    CountAndMaybeFail(*state_, property);
    assign(Lower(property), property, value);
  }

 protected:
  virtual Value answer(const std::string& name, std::string_view method, const ValueList& args) = 0;
  virtual void assign(const std::string& /*name*/, std::string_view property, const Value&) {
    throw UnknownName(property);
  }
  std::shared_ptr<State> state_;
  std::string label_;
};

ValueList Recordable(const ValueList& args) {
  ValueList recorded;
  for (const Value& arg : args) {
    if (const auto* object = std::get_if<ObjectRef>(&arg.data)) {
      auto* known = dynamic_cast<MemoryObject*>(object->get());
      recorded.push_back("<" + (known ? known->label() : std::string("object")) + ">");
    } else if (const auto* list = std::get_if<ValueList>(&arg.data)) {
      recorded.push_back(Recordable(*list));
    } else {
      recorded.push_back(arg);
    }
  }
  return recorded;
}

const Value& Argument(const ValueList& args, size_t index) {
  if (index >= args.size()) throw AutomationError("Argument is not optional.");
  return args[index];
}

class Property : public MemoryObject {
 public:
  Property(std::shared_ptr<State> state, std::string name, Value value)
      : MemoryObject(std::move(state), "Property " + name),
        name_(std::move(name)),
        value_(std::move(value)) {}
  const std::string& name() const { return name_; }
  const Value& value() const { return value_; }

 protected:
  Value answer(const std::string& name, std::string_view method, const ValueList&) override {
    if (name == "name") return name_;
    if (name == "value") return value_;
    throw UnknownName(method);
  }
  void assign(const std::string& name, std::string_view property, const Value& value) override {
    if (name == "name")
      name_ = value.asText();
    else if (name == "value")
      value_ = value;
    else
      throw UnknownName(property);
  }

 private:
  std::string name_;
  Value value_;
};

class Document : public MemoryObject {
 public:
  Document(std::shared_ptr<State> state, MemoryDocument& document)
      : MemoryObject(std::move(state), "Document " + document.title), document_(document) {}

 protected:
  Value answer(const std::string& name, std::string_view method, const ValueList& args) override {
    if (document_.callsUntilClosed >= 0 && document_.callsUntilClosed-- == 0) {
      document_.closed = true;
    }
    if (document_.closed) {
      throw OfficeRaised("com.sun.star.lang.DisposedException: the document has been closed");
    }
    if (name == "supportsservice") {
      const std::string& service = Argument(args, 0).asText();
      return service == ServiceOf(document_.kind) ||
             (document_.kind != ComponentKind::Other &&
              service == "com.sun.star.document.OfficeDocument");
    }
    if (document_.kind == ComponentKind::Other) throw UnknownName(method);
    if (name == "geturl") return document_.url;
    if (name == "gettitle") return document_.title;
    if (name == "ismodified") return document_.modified;
    if (name == "getargs") return args_();
    if (name == "storetourl") return store(args);
    throw UnknownName(method);
  }

 private:
  ValueList args_() {
    ValueList list;
    list.emplace_back(makeProperty("URL", document_.url));
    if (!document_.filterName.empty())
      list.emplace_back(makeProperty("FilterName", document_.filterName));
    if (!document_.filterOptions.empty())
      list.emplace_back(makeProperty("FilterOptions", document_.filterOptions));
    if (document_.encrypted) list.emplace_back(makeProperty("EncryptionData", ValueList{"key"}));
    if (document_.readOnly) list.emplace_back(makeProperty("ReadOnly", true));
    list.emplace_back(makeProperty("Title", document_.title));
    return list;
  }

  ObjectRef makeProperty(std::string name, Value value) {
    return std::make_shared<Property>(state_, std::move(name), std::move(value));
  }

  Value store(const ValueList& args) {
    const std::string& url = Argument(args, 0).asText();
    StoredCopy copy{url, document_.title, document_.content, "", "", false};
    for (const Value& entry : Argument(args, 1).asList()) {
      auto* property = dynamic_cast<Property*>(entry.asObject().get());
      if (!property) throw AutomationError("A store property is not a property value.");
      if (property->name() == "FilterName") copy.filterName = property->value().asText();
      if (property->name() == "FilterOptions") copy.filterOptions = property->value().asText();
      if (property->name() == "EncryptionData") copy.encrypted = true;
    }
    const auto& flags = state_->suite->filterFlags;
    if (!copy.filterName.empty() &&
        (!flags.count(copy.filterName) || (flags.at(copy.filterName) & 2) == 0)) {
      throw StoreFailed(url, "0x81a(Error Area:Io Class:Parameter Code:26)");
    }
    if (url.rfind("file:///", 0) != 0 || url.size() <= 8 || url.back() == '/') {
      throw StoreFailed(url, "0x81a(Error Area:Io Class:Parameter Code:26)");
    }
    MemorySuite& suite = *state_->suite;
    if (document_.encrypted && copy.encrypted) {
      copy.content = std::string(EncryptedCopyMark) + std::to_string(++state_->stores) + " " +
                     std::string(copy.content.size(), '*');
    }
    if (suite.disk) write(*suite.disk, url, copy.content);
    suite.copies.push_back(copy);
    if (suite.onStore) suite.onStore(copy);
    return {};
  }

  // As the office's store: missing folders made, nested ones too; the disk's refusal as the
  // office's input and output error.
  static void write(MemoryFileSystem& disk, const std::string& url, const std::string& bytes) {
    try {
      disk.storeFile(disk.resolve(PathOfUrl(url)), bytes);
    } catch (const std::system_error& refused) {
      if (refused.code() == std::errc::no_space_on_device)
        throw StoreFailed(url, "0xc03(Error Area:Io Class:Write Code:3)");
      if (refused.code() == std::errc::is_a_directory) throw StoreFailed(url, "0x20d");
      throw StoreFailed(url, "0xc10(Error Area:Io Class:Write Code:16)");
    }
  }

  MemoryDocument& document_;
};

class Enumeration : public MemoryObject {
 public:
  Enumeration(std::shared_ptr<State> state, std::vector<MemoryDocument*> snapshot)
      : MemoryObject(std::move(state), "Enumeration"), snapshot_(std::move(snapshot)) {}

 protected:
  Value answer(const std::string& name, std::string_view method, const ValueList&) override {
    if (name == "hasmoreelements") return next_ < snapshot_.size();
    if (name == "nextelement") {
      if (next_ >= snapshot_.size()) throw AutomationError("No more elements.");
      return ObjectRef(std::make_shared<Document>(state_, *snapshot_[next_++]));
    }
    throw UnknownName(method);
  }

 private:
  std::vector<MemoryDocument*> snapshot_;
  size_t next_ = 0;
};

class Components : public MemoryObject {
 public:
  explicit Components(std::shared_ptr<State> state)
      : MemoryObject(std::move(state), "Components") {}

 protected:
  Value answer(const std::string& name, std::string_view method, const ValueList&) override {
    if (name != "createenumeration") throw UnknownName(method);
    std::vector<MemoryDocument*> open;
    for (auto& document : state_->documents) {
      if (!document->closed) open.push_back(document.get());
    }
    return ObjectRef(std::make_shared<Enumeration>(state_, std::move(open)));
  }
};

class Desktop : public MemoryObject {
 public:
  explicit Desktop(std::shared_ptr<State> state) : MemoryObject(std::move(state), "Desktop") {}

 protected:
  Value answer(const std::string& name, std::string_view method, const ValueList&) override {
    if (name != "getcomponents") throw UnknownName(method);
    return ObjectRef(std::make_shared<Components>(state_));
  }
};

class FilterFactory : public MemoryObject {
 public:
  explicit FilterFactory(std::shared_ptr<State> state)
      : MemoryObject(std::move(state), "FilterFactory") {}

 protected:
  Value answer(const std::string& name, std::string_view method, const ValueList& args) override {
    if (name != "getbyname") throw UnknownName(method);
    const std::string& filter = Argument(args, 0).asText();
    const auto& flags = state_->suite->filterFlags;
    if (!flags.count(filter)) throw AutomationError("No such element: " + filter + ".");
    return ValueList{ObjectRef(std::make_shared<Property>(state_, "Name", filter)),
                     ObjectRef(std::make_shared<Property>(state_, "Flags", flags.at(filter)))};
  }
};

class ServiceManager : public MemoryObject {
 public:
  explicit ServiceManager(std::shared_ptr<State> state)
      : MemoryObject(std::move(state), "ServiceManager") {}

 protected:
  Value answer(const std::string& name, std::string_view method, const ValueList& args) override {
    if (name != "createinstance") throw UnknownName(method);
    if (Argument(args, 0).asText() == "com.sun.star.document.FilterFactory") {
      return ObjectRef(std::make_shared<FilterFactory>(state_));
    }
    if (Argument(args, 0).asText() != "com.sun.star.frame.Desktop") {
      throw AutomationError("Cannot create " + Argument(args, 0).asText() + ".");
    }
    return ObjectRef(std::make_shared<Desktop>(state_));
  }
};

}  // namespace

MemorySuite::MemorySuite() : state_(std::make_shared<State>()) { state_->suite = this; }

MemorySuite::~MemorySuite() { state_->suite = nullptr; }

MemoryDocument& MemorySuite::open(MemoryDocument document) {
  state_->documents.push_back(std::make_unique<MemoryDocument>(std::move(document)));
  return *state_->documents.back();
}

MemoryDocument& MemorySuite::openSpreadsheet(std::string url, std::string content) {
  MemoryDocument document;
  document.url = url;
  document.title = url.substr(url.rfind('/') + 1);
  document.filterName = "calc8";
  document.content = std::move(content);
  return open(std::move(document));
}

MemoryDocument& MemorySuite::openNeverStored(std::string title, ComponentKind kind) {
  MemoryDocument document;
  document.kind = kind;
  document.title = std::move(title);
  document.content = "new";
  return open(std::move(document));
}

void MemorySuite::failOn(std::string_view method, int occurrence, std::string description) {
  state_->failures.insert({Lower(method), {occurrence, std::move(description)}});
}

void MemorySuite::loseConnectionOn(std::string_view method, int occurrence) {
  state_->failures.insert(
      {Lower(method), {occurrence, "The connection to the office suite was lost.", true}});
}

ObjectRef MemorySuite::create(std::string_view programmaticId) {
  calls.push_back({"", "CreateObject", {std::string(programmaticId)}});
  CountAndMaybeFail(*state_, "CreateObject");
  if (!installed || programmaticId != "com.sun.star.ServiceManager") {
    throw AutomationError("Cannot create the object \"" + std::string(programmaticId) + "\".");
  }
  if (!running) throw OfficeNotRunning("No office suite is running.");
  return std::make_shared<ServiceManager>(state_);
}

std::vector<std::string> MemorySuite::methodsCalledOn(std::string_view object) const {
  std::vector<std::string> methods;
  for (const RecordedCall& call : calls) {
    if (call.object.rfind(object, 0) == 0) methods.push_back(call.method);
  }
  return methods;
}

int MemorySuite::liveObjects() const { return state_->liveObjects; }

}  // namespace tg
