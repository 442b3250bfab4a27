#include "adapters/win32/ComAutomation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "WinTempFolder.h"
#include "adapters/win32/Win32FileSystem.h"
#include "adapters/win32/WindowsPlatform.h"
#include "backup/Calc.h"
#include "backup/HistoryLog.h"
#include "backup/OptionControlDoubles.h"
#include "desktop/IsInstalled.h"
#include "memory/CountingMessageLoop.h"
#include "memory/FixedClock.h"
#include "memory/MemoryShell.h"
#include "memory/RecordingDialogs.h"
#include "support/HistoryLines.h"

namespace tg {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using testing::WinTempFolder;

class Variant {
 public:
  Variant() { VariantInit(&value); }
  ~Variant() { VariantClear(&value); }
  VARIANT value;
};

TEST(ComConversions, AnEmptyListIsAnArrayOfNoVariants) {
  Variant list;
  ToVariant(Value(ValueList{}), list.value);
  ASSERT_EQ(list.value.vt, VT_ARRAY | VT_VARIANT);
  LONG lower = 1, upper = 0;
  SafeArrayGetLBound(list.value.parray, 1, &lower);
  SafeArrayGetUBound(list.value.parray, 1, &upper);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(upper, -1);
  EXPECT_THAT(FromVariant(list.value).asList(), IsEmpty());
}

TEST(ComConversions, ValuesGoIntoVariantsAndComeBack) {
  Variant flag, text, number, list;
  ToVariant(Value(true), flag.value);
  EXPECT_EQ(flag.value.vt, VT_BOOL);
  EXPECT_EQ(flag.value.boolVal, VARIANT_TRUE);
  EXPECT_TRUE(FromVariant(flag.value).asBool());
  ToVariant(Value("C:\\Reports #1\\Budget Plan.ods"), text.value);
  EXPECT_EQ(text.value.vt, VT_BSTR);
  EXPECT_EQ(std::wstring(text.value.bstrVal), L"C:\\Reports #1\\Budget Plan.ods");
  EXPECT_EQ(FromVariant(text.value).asText(), "C:\\Reports #1\\Budget Plan.ods");
  ToVariant(Value(std::int32_t{-7}), number.value);
  EXPECT_EQ(FromVariant(number.value).asInt(), -7);
  ToVariant(Value(ValueList{Value("a"), Value(std::int32_t{2})}), list.value);
  const ValueList back = FromVariant(list.value).asList();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].asText(), "a");
  EXPECT_EQ(back[1].asInt(), 2);
}

TEST(ComConversions, ReferencesSmallNumbersAndTypedArraysAreRead) {
  BSTR text = SysAllocString(L"by reference");
  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_BYREF | VT_BSTR;
  reference.pbstrVal = &text;
  EXPECT_EQ(FromVariant(reference).asText(), "by reference");
  SysFreeString(text);

  VARIANT small;
  VariantInit(&small);
  small.vt = VT_I2;
  small.iVal = 3;
  EXPECT_EQ(FromVariant(small).asInt(), 3);

  Variant typed;
  SAFEARRAYBOUND bound{2, 0};
  typed.value.vt = VT_ARRAY | VT_I4;
  typed.value.parray = SafeArrayCreate(VT_I4, 1, &bound);
  for (LONG i = 0; i < 2; ++i) {
    LONG item = 10 + i;
    SafeArrayPutElement(typed.value.parray, &i, &item);
  }
  const ValueList items = FromVariant(typed.value).asList();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].asInt(), 11);
}

class Foreign : public AutomationObject {
 public:
  Value call(std::string_view, const ValueList&) override { return {}; }
  void set(std::string_view, const Value&) override {}
};

TEST(ComConversions, AnObjectOfAnotherKindCannotCross) {
  Variant out;
  EXPECT_THROW(ToVariant(Value(ObjectRef(std::make_shared<Foreign>())), out.value),
               AutomationError);
}

// Whichever way a failure comes (the transport's status, or an exception the office's bridge
// raised as "type: text" with code 1001), the user reads the program's sentence.
TEST(ComFailures, StatusesAndBridgeExceptionsBecomeThePlainSentences) {
  EXPECT_THAT(ComFailure(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), nullptr),
              StartsWith("The connection to the office suite was lost"));
  EXPECT_THAT(ComFailure(RPC_E_DISCONNECTED, nullptr),
              StartsWith("The connection to the office suite was lost"));
  EXPECT_EQ(ComFailure(CO_E_SERVER_EXEC_FAILURE, nullptr),
            "The office suite could not be started.");
  EXPECT_THAT(ComFailure(E_NOINTERFACE, nullptr), HasSubstr("automation is turned off"));
  EXPECT_THAT(ComFailure(RPC_E_SERVERCALL_RETRYLATER, nullptr), HasSubstr("busy"));

  EXCEPINFO bridge{};
  bridge.wCode = 1001;
  bridge.bstrSource = SysAllocString(L"[automation bridge] ");
  bridge.bstrDescription = SysAllocString(
      L"com.sun.star.task.ErrorCodeIOException: SfxBaseModel::impl_store "
      L"<file:///C:/Users/Ana/Budget%20Backup.ods> failed: 0x507(Error Area:Io Class:Access "
      L"Code:7)");
  EXPECT_EQ(ComFailure(DISP_E_EXCEPTION, &bridge), "Access to the file was denied.");
  SysFreeString(bridge.bstrSource);
  SysFreeString(bridge.bstrDescription);
}

// The fixture server registered in the test prefix poses as the office suite.
class FixtureSuite : public ::testing::Test, public testing::OptionPanel {
 protected:
  void SetUp() override {
    manager = automation.create(OfficeServiceManagerId);
    manager->call("fixtureReset");
    dialogs.whileOpen = [this] {
      if (dialogs.folderPrompts.size() > 20) throw std::runtime_error("prompt loops");
    };
  }

  // Blanks and "#" escaped, as the suite reports them in a location.
  static std::string Escaped(const std::string& path) {
    std::string escaped;
    for (char c : path) {
      if (c == ' ') {
        escaped += "%20";
      } else if (c == '#') {
        escaped += "%23";
      } else {
        escaped += c;
      }
    }
    return escaped;
  }
  // "file:///C:/a%20b/c" for "C:\a b\c".
  static std::string UrlOf(const std::string& path) {
    std::string url = "file:///" + Escaped(path);
    for (char& c : url) {
      if (c == '\\') c = '/';
    }
    return url;
  }

  void open(const std::string& service, const std::string& url, const std::string& title,
            const std::string& filter, const std::string& content) {
    manager->call("fixtureOpen", {service, url, title, filter, content});
  }
  void openSheet(const std::string& path, const std::string& filter, const std::string& content) {
    open(SpreadsheetDocumentService, UrlOf(path), path.substr(path.rfind('\\') + 1), filter,
         content);
  }

  CalcContext context() { return context(automation); }
  CalcContext context(AutomationFactory& through) {
    return calcContext(through, dialogs, loop, files, clock, regional, historyLogPath,
                       PathStyle::Windows);
  }

  std::string read(const std::string& path) { return files.readText(path); }

  std::vector<std::string> historyLines() {
    if (!files.canReadModificationTime(historyLogPath)) return {};
    return testing::HistoryLinesOf(read(historyLogPath));
  }

  std::string line(const std::string& name, const std::string& copy) {
    return name + " was backup saved as " + copy + " at " + GeneralDate(clock.now(), regional);
  }

  ComAutomationFactory automation;
  ObjectRef manager;
  WinTempFolder folder;
  Win32FileSystem files;
  WindowsRegionalSettings regional;
  FixedClock clock;
  RecordingDialogs dialogs;
  CountingMessageLoop loop;
  std::string historyLogPath = folder / "Tallyguard.txt";
};

// While the user has a dialog open the office refuses every call. A short dialog is waited out
// and the copies are made; one still open after the wait ends the pass with one sentence, never a
// report per document.
TEST_F(FixtureSuite, AnOfficeBusyWithADialogIsWaitedForThenToldOnce) {
  openSheet(folder / "Budget.ods", "calc8", "budget");
  openSheet(folder / "Stock.ods", "calc8", "stock");
  manager->call("fixtureOpenDialog", {1500});
  SaveAll(context());
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_EQ(historyLines().size(), 2u);

  ComAutomationFactory impatient(1000);
  manager->call("fixtureOpenDialog", {3000});
  SaveAll(context(impatient));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_THAT(dialogs.messages[0].text,
              HasSubstr("The office suite is busy with a dialog; the next backup tries again."));
  EXPECT_EQ(historyLines().size(), 2u);
  // Left once the dialog is closed, as the office's answering again shows; each try is asked
  // for a second (this thread's patience while `impatient` lives).
  const auto answers = [&] {
    try {
      manager->call("fixtureProcessId");
      return true;
    } catch (const OfficeBusy&) {
      return false;
    }
  };
  bool answered = false;
  for (int tries = 0; tries < 20 && !answered; ++tries) answered = answers();
  EXPECT_TRUE(answered) << "the office's dialog never closed";
}

TEST_F(FixtureSuite, TheSuiteIsInstalledAndAnUnknownIdentifierIsNot) {
  EXPECT_TRUE(automation.isInstalled("com.sun.star.ServiceManager"));
  EXPECT_FALSE(automation.isInstalled("Tallyguard.No.Such.Server"));
  try {
    automation.create("Tallyguard.No.Such.Server");
    ADD_FAILURE() << "an unregistered identifier was created";
  } catch (const AutomationError& failure) {
    EXPECT_THAT(failure.what(), HasSubstr("Install LibreOffice, then try again."));
  }
}

TEST_F(FixtureSuite, NamesResolveWithoutRegardToCaseAndUnknownOnesAreNamed) {
  ObjectRef desktop = manager->call("CREATEINSTANCE", {"com.sun.star.frame.Desktop"}).asObject();
  ASSERT_TRUE(desktop);
  ObjectRef enumeration =
      desktop->call("getComponents").asObject()->call("createEnumeration").asObject();
  EXPECT_FALSE(enumeration->call("hasmoreelements").asBool());
  // The office answers an unknown service with a null object, not a failure.
  EXPECT_FALSE(manager->call("createInstance", {"com.sun.star.No.Such.Service"}).asObject());
  try {
    manager->call("noSuchCall");
    ADD_FAILURE() << "an unknown name was called";
  } catch (const AutomationError& failure) {
    EXPECT_THAT(failure.what(), HasSubstr("\"noSuchCall\""));
  }
}

TEST_F(FixtureSuite, APassStoresEverySpreadsheetBesideItsFileWithWindowsPaths) {
  const std::string reports = folder / "Reports #1";
  const std::string chosen = folder / "Chosen";
  files.makeDirectory(reports);
  files.makeDirectory(chosen);
  openSheet(reports + "\\Budget Plan.ods", "calc8", "budget");
  open("com.sun.star.text.TextDocument", UrlOf(reports + "\\Letter.odt"), "Letter.odt", "writer8",
       "letter");
  open("com.sun.star.frame.StartModule", "", "", "", "");  // a component, but no document
  open(SpreadsheetDocumentService, "", "Untitled 1", "", "fresh");
  openSheet(reports + "\\Export.xlsx", "Calc MS Excel 2007 XML", "export");
  dialogs.folderAnswers = {chosen};
  // The one office may hold objects of other clients.
  const std::int32_t objectsBefore = manager->call("fixtureLiveObjects").asInt();

  SaveAll(context());

  EXPECT_THAT(dialogs.messages, IsEmpty()) << dialogs.messages[0].text;
  EXPECT_THAT(dialogs.folderPrompts, ElementsAre(" is unsaved. Please select location:"));
  EXPECT_EQ(read(reports + "\\Budget Plan Backup.ods"), "budget|calc8");
  EXPECT_EQ(read(chosen + "\\Untitled 1 Backup.ods"), "fresh|default");
  EXPECT_EQ(read(reports + "\\Export Backup.xlsx"), "export|Calc MS Excel 2007 XML");
  EXPECT_FALSE(files.canReadModificationTime(reports + "\\Letter Backup.odt"));
  // The log shows a location's escapes as the suite reported them; the files lie at the real names.
  const std::string shown = Escaped(reports);
  EXPECT_THAT(historyLines(),
              ElementsAre(line("Budget%20Plan.ods", shown + "\\Budget%20Plan Backup.ods"),
                          line("Untitled 1.ods", chosen + "\\Untitled 1 Backup.ods"),
                          line("Export.xlsx", shown + "\\Export Backup.xlsx")));
  EXPECT_EQ(loop.yields, 3);
  // Every object of the pass was released.
  EXPECT_EQ(manager->call("fixtureLiveObjects").asInt(), objectsBefore);
}

TEST_F(FixtureSuite, AStampedCopyInAChosenFolderIsCreatedWithItsFolder) {
  const std::string target = folder / "Backups #2 here";
  openSheet(folder / "Budget.ods", "calc8", "budget");
  Option2.setSelected(false);
  Option1.setSelected(true);
  Text1.setText(target);
  Check6.setValue(CheckBox::Checked);

  SaveAll(context());

  EXPECT_THAT(dialogs.messages, IsEmpty());
  ASSERT_TRUE(files.isDirectory(target));
  const std::vector<std::string> lines = historyLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_THAT(lines[0], AllOf(HasSubstr(" was backup saved as " + target + "\\Budget Date "),
                              HasSubstr(".ods at ")));
  const std::string copy =
      lines[0].substr(lines[0].find(target), lines[0].find(" at ") - lines[0].find(target));
  EXPECT_EQ(read(copy), "budget|calc8");
}

// The office's words name its sources and codes; the user reads the program's.
TEST_F(FixtureSuite, AStoreTheSuiteRefusesIsReportedInPlainWordsAndLeavesNoLine) {
  files.makeDirectory(folder / "Open");
  openSheet(folder / "Open\\Budget.ods", "calc8", "budget");
  // The document's folder went away after it was opened and a file took its name: the suite
  // makes missing folders, but cannot make this one.
  RemoveDirectoryA((folder / "Open").c_str());
  std::ofstream(folder / "Open") << "in the way";

  SaveAll(context());

  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_THAT(
      dialogs.messages[0].text,
      AllOf(HasSubstr("The folder cannot be written."), HasSubstr("Calc.SaveAll at line 182"),
            Not(HasSubstr("SfxBaseModel")), Not(HasSubstr("0xc10"))));
  EXPECT_THAT(historyLines(), IsEmpty());
}

// A protected workbook's copy is written with its key, so it stays encrypted; a format the office
// only reads is copied in its own format; a document the user closes during the pass fails as a
// disposed object does, and is reported while the pass goes on to the next.
TEST_F(FixtureSuite, WhatTheOfficeRefusesOrProtectsIsHandledDocumentByDocument) {
  openSheet(folder / "Salaries.ods", "calc8", "salaries");
  manager->call("fixtureProtect", {"Salaries.ods"});
  openSheet(folder / "Closed.ods", "calc8", "closed");
  manager->call("fixtureCloseAfter", {"Closed.ods", 3});
  openSheet(folder / "Plan.gnumeric", "Gnumeric Spreadsheet", "plan");

  SaveAll(context());

  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_THAT(dialogs.messages[0].text, AllOf(HasSubstr("the office may have been closed"),
                                              HasSubstr("Calc.SaveAll at line 182")));
  const std::string salaries = read(folder / "Salaries Backup.ods");
  EXPECT_THAT(salaries, AllOf(HasSubstr("encrypted"), Not(HasSubstr("salaries"))));
  EXPECT_FALSE(files.canReadModificationTime(folder / "Closed Backup.ods"));
  EXPECT_EQ(read(folder / "Plan Backup.ods"), "plan|default");
  EXPECT_EQ(historyLines().size(), 2u);
}

// The office's objects as the tests reach them, and raw calls with chosen flags.
class StrictOffice : public FixtureSuite {
 protected:
  ObjectRef firstDocument() {
    ObjectRef desktop = manager->call("createInstance", {"com.sun.star.frame.Desktop"}).asObject();
    return desktop->call("getComponents")
        .asObject()
        ->call("createEnumeration")
        .asObject()
        ->call("nextElement")
        .asObject();
  }
  static IDispatch* Raw(const ObjectRef& object) {
    return dynamic_cast<ComObject&>(*object).dispatch();
  }
  static DISPID IdOf(const ObjectRef& object, const wchar_t* name) {
    std::wstring text(name);
    LPOLESTR names[] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    Raw(object)->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
  }
  static HRESULT Invoke(const ObjectRef& object, DISPID id, WORD flags, Variant& answer) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return Raw(object)->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &none, &answer.value,
                               nullptr, nullptr);
  }
  static ObjectRef PropertyNamed(const ValueList& properties, const std::string& name) {
    for (const Value& entry : properties) {
      if (entry.asObject()->call("Name").asText() == name) return entry.asObject();
    }
    return nullptr;
  }
};

// Methods answer a method call, properties a property read; the program asks for either, which
// both kinds answer.
TEST_F(StrictOffice, EachMemberAnswersOnlyItsOwnKindOfCall) {
  openSheet(folder / "Budget.ods", "calc8", "budget");
  ObjectRef document = firstDocument();
  ObjectRef name = document->call("getArgs").asList()[0].asObject();
  Variant answer;

  EXPECT_EQ(Invoke(document, IdOf(document, L"getTitle"), DISPATCH_PROPERTYGET, answer),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(name, IdOf(name, L"Name"), DISPATCH_METHOD, answer), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(name, IdOf(name, L"Name"), DISPATCH_PROPERTYPUT, answer), DISP_E_BADPARAMCOUNT)
      << "a struct's member is written with its value";
  ASSERT_EQ(Invoke(name, IdOf(name, L"Name"), DISPATCH_PROPERTYGET, answer), S_OK);
  EXPECT_EQ(FromVariant(answer.value).asText(), "URL");
  EXPECT_EQ(document->call("getTitle").asText(), "Budget.ods");
  EXPECT_EQ(name->call("Name").asText(), "URL");
}

// A number learned from one object names another member, or none, on another object.
TEST_F(StrictOffice, MemberNumbersBelongToEachObjectAndNamesIgnoreCase) {
  openSheet(folder / "Budget.ods", "calc8", "budget");
  openSheet(folder / "Plan.ods", "calc8", "plan");
  ObjectRef desktop = manager->call("createInstance", {"com.sun.star.frame.Desktop"}).asObject();
  ObjectRef enumeration =
      desktop->call("getComponents").asObject()->call("createEnumeration").asObject();
  ObjectRef document = enumeration->call("nextElement").asObject();
  const DISPID title = IdOf(document, L"getTitle");
  EXPECT_EQ(IdOf(document, L"GETTITLE"), title);
  EXPECT_EQ(IdOf(document, L"noSuchCall"), DISPID_UNKNOWN);

  Variant answer;
  EXPECT_EQ(Invoke(enumeration, title, DISPATCH_METHOD, answer), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(enumeration->call("NextElement").asObject()->call("gettitle").asText(), "Plan.ods");
}

// The arguments of a store are the property objects the office handed out, or none at all.
TEST_F(StrictOffice, AStoreTakesOnlyThePropertiesTheOfficeHandedOut) {
  openSheet(folder / "Budget.ods", "calc8", "budget");
  ObjectRef document = firstDocument();
  const ValueList first = document->call("getArgs").asList();
  const ValueList second = document->call("getArgs").asList();
  ASSERT_EQ(first.size(), second.size());
  // New objects on every call, with values of several kinds: services, a sequence, numbers.
  EXPECT_NE(Raw(first[0].asObject()), Raw(second[0].asObject()));
  EXPECT_TRUE(PropertyNamed(first, "InteractionHandler")->call("Value").asObject());
  EXPECT_EQ(PropertyNamed(first, "WinExtent")->call("Value").asList().size(), 4u);
  EXPECT_EQ(PropertyNamed(first, "MacroExecutionMode")->call("Value").asInt(), 0);
  const ObjectRef filter = PropertyNamed(first, "FilterName");
  EXPECT_EQ(filter->call("Value").asText(), "calc8");

  document->call("storeToURL", {UrlOf(folder / "Plain.ods"), ValueList{}});
  EXPECT_EQ(read(folder / "Plain.ods"), "budget|default");
  document->call("storeToURL", {UrlOf(folder / "Filtered.ods"), ValueList{Value(filter)}});
  EXPECT_EQ(read(folder / "Filtered.ods"), "budget|calc8");

  ObjectRef desktop = manager->call("createInstance", {"com.sun.star.frame.Desktop"}).asObject();
  for (const Value& foreign : {Value(desktop), Value("FilterName")}) {
    try {
      document->call("storeToURL", {UrlOf(folder / "Foreign.ods"), ValueList{foreign}});
      ADD_FAILURE() << "a store took an argument the office never handed out";
    } catch (const AutomationError& failure) {
      EXPECT_STREQ(failure.what(), "The office suite refused the arguments of the call.");
    }
  }
  EXPECT_FALSE(files.canReadModificationTime(folder / "Foreign.ods"));
}

// A folder that went away since the document was opened is made again by the office's store.
TEST_F(StrictOffice, TheOfficeMakesTheFoldersAStoreNeeds) {
  const std::string gone = folder / "Gone\\Deeper";
  openSheet(gone + "\\Budget.ods", "calc8", "budget");

  SaveAll(context());

  EXPECT_THAT(dialogs.messages, IsEmpty()) << dialogs.messages[0].text;
  EXPECT_EQ(read(gone + "\\Budget Backup.ods"), "budget|calc8");
}

// The fixture server's own registration, run from beside the test program.
DWORD RegisterFixture(const char* option) {
  std::string path = RunningExecutablePath();
  std::string commandLine =
      "\"" + path.substr(0, path.rfind('\\')) + "\\TallyguardFixtureSuite.exe\" " + option;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION server{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &server)) {
    return STILL_ACTIVE;
  }
  CloseHandle(server.hThread);
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(server.hProcess, 30000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(server.hProcess, &code);
  }
  CloseHandle(server.hProcess);
  return code;
}

TEST_F(FixtureSuite, TheOfficeCheckPassesWithTheSuiteAndEndsTheProgramWithoutIt) {
  MemoryShell shell;
  CheckOfficeSuite(automation, dialogs, shell, "Tallyguard");
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_EQ(shell.endCount, 0);

  manager.reset();
  ASSERT_EQ(RegisterFixture("/UnregServer"), 0u);
  EXPECT_FALSE(automation.isInstalled(OfficeServiceManagerId));
  EXPECT_THROW(CheckOfficeSuite(automation, dialogs, shell, "Tallyguard"), ProgramEnded);
  ASSERT_EQ(RegisterFixture("/RegServer"), 0u);
  EXPECT_EQ(shell.endCount, 1);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(shell.openedAddresses, std::vector<std::string>{std::string(OfficeSuiteDownloadPage)});
  EXPECT_TRUE(automation.isInstalled(OfficeServiceManagerId));
}

}  // namespace
}  // namespace tg
