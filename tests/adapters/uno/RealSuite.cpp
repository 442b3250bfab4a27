#include "RealSuite.h"

#include <chrono>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/XDocumentProperties.hpp>
#include <com/sun/star/document/XDocumentPropertiesSupplier.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/XCellAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSheetAnnotations.hpp>
#include <com/sun/star/sheet/XSheetAnnotationsSupplier.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableCharts.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cstdlib>
#include <osl/file.hxx>
#include <stdexcept>
#include <thread>

namespace tg::office {
namespace {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

OUString U(const std::string& text) {
  return OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}

std::string S(const OUString& text) {
  rtl::OString utf8 = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(utf8.getStr(), static_cast<size_t>(utf8.getLength()));
}

// Sequences are built by hand: brace initialisation does not compile outside the office's tree.
Sequence<css::beans::PropertyValue> Properties(
    std::initializer_list<std::pair<const char*, Any>> entries) {
  Sequence<css::beans::PropertyValue> properties(static_cast<sal_Int32>(entries.size()));
  css::beans::PropertyValue* out = properties.getArray();
  for (const auto& [name, value] : entries) {
    out->Name = OUString::createFromAscii(name);
    out->Value = value;
    ++out;
  }
  return properties;
}

Reference<css::table::XCell> CellOf(const Document& sheet, const std::string& name) {
  Reference<css::sheet::XSpreadsheetDocument> document(sheet, UNO_QUERY_THROW);
  Reference<css::container::XIndexAccess> sheets(document->getSheets(), UNO_QUERY_THROW);
  Reference<css::sheet::XSpreadsheet> spreadsheet(sheets->getByIndex(0), UNO_QUERY_THROW);
  // "A1", "B2": column letter and row number.
  sal_Int32 column = name[0] - 'A';
  sal_Int32 row = std::stoi(name.substr(1)) - 1;
  return spreadsheet->getCellByPosition(column, row);
}

}  // namespace

std::string FileUrl(const std::string& path) {
  OUString url;
  osl::FileBase::getFileURLFromSystemPath(U(path), url);
  return S(url);
}

namespace {

// One local runtime per process, kept to the end as the program keeps its own: a bootstrapped
// context is never disposed (its services hold each other), so one made per suite, as each
// restart of a test's office makes, stayed behind unreachable.
Reference<css::uno::XComponentContext> LocalContext() {
  static const auto* local = [] {
    setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" TALLYGUARD_LO_PROGRAM_DIR "/fundamentalrc", 0);
    return new Reference<css::uno::XComponentContext>(
        cppu::defaultBootstrap_InitialComponentContext());
  }();
  return *local;
}

}  // namespace

RealSuite::RealSuite(const std::string& pipe, double seconds) {
  auto resolver = css::bridge::UnoUrlResolver::create(LocalContext());
  OUString url = U("uno:pipe,name=" + pipe + ";urp;StarOffice.ComponentContext");
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::milliseconds(static_cast<long>(seconds * 1000));
  for (;;) {
    try {
      context_.set(resolver->resolve(url), UNO_QUERY_THROW);
      break;
    } catch (const css::uno::Exception&) {
      // Not listening yet, or a connection torn down during its first call: both pass.
      if (std::chrono::steady_clock::now() > deadline) {
        throw std::runtime_error("The test office does not answer on " + pipe);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  loader_.set(css::frame::Desktop::create(context_), UNO_QUERY_THROW);
}

Document RealSuite::create(const std::string& factory) {
  return Document(
      loader_->loadComponentFromURL(U(factory), "_blank", 0, Properties({{"Hidden", Any(true)}})),
      UNO_QUERY_THROW);
}

Document RealSuite::newSpreadsheet() { return create("private:factory/scalc"); }
Document RealSuite::newTextDocument() { return create("private:factory/swriter"); }

Document RealSuite::load(const std::string& path, const std::string& password, bool readOnly) {
  Sequence<css::beans::PropertyValue> properties =
      password.empty() ? Properties({{"Hidden", Any(true)}, {"ReadOnly", Any(readOnly)}})
                       : Properties({{"Hidden", Any(true)},
                                     {"ReadOnly", Any(readOnly)},
                                     {"Password", Any(U(password))}});
  Reference<css::lang::XComponent> loaded =
      loader_->loadComponentFromURL(U(FileUrl(path)), "_blank", 0, properties);
  if (!loaded.is()) throw std::runtime_error("The office did not load " + path);
  return loaded;
}

Document RealSuite::show(const std::string& path, const std::string& password) {
  Reference<css::lang::XComponent> loaded = loader_->loadComponentFromURL(
      U(FileUrl(path)), "_blank", 0,
      password.empty() ? Sequence<css::beans::PropertyValue>()
                       : Properties({{"Password", Any(U(password))}}));
  if (!loaded.is()) throw std::runtime_error("The office did not open " + path);
  return loaded;
}

void RealSuite::storeAs(const Document& document, const std::string& path,
                        const std::string& filter, const std::string& password) {
  Reference<css::frame::XStorable> storable(document, UNO_QUERY_THROW);
  Sequence<css::beans::PropertyValue> properties =
      password.empty()
          ? Properties({{"FilterName", Any(U(filter))}})
          : Properties({{"FilterName", Any(U(filter))}, {"Password", Any(U(password))}});
  storable->storeAsURL(U(FileUrl(path)), properties);
}

void RealSuite::setTitle(const Document& document, const std::string& title) {
  Reference<css::document::XDocumentPropertiesSupplier> supplier(document, UNO_QUERY_THROW);
  supplier->getDocumentProperties()->setTitle(U(title));
}

void RealSuite::storeCopy(const Document& document, const std::string& url,
                          const std::string& filter) {
  Reference<css::frame::XStorable> storable(document, UNO_QUERY_THROW);
  storable->storeToURL(U(url), Properties({{"FilterName", Any(U(filter))}}));
}

void RealSuite::fill(const Document& sheet, int rows, int columns) {
  Reference<css::sheet::XSpreadsheetDocument> document(sheet, UNO_QUERY_THROW);
  Reference<css::container::XIndexAccess> sheets(document->getSheets(), UNO_QUERY_THROW);
  Reference<css::table::XCellRange> first(sheets->getByIndex(0), UNO_QUERY_THROW);
  Reference<css::sheet::XCellRangeData> range(
      first->getCellRangeByPosition(0, 0, columns - 1, rows - 1), UNO_QUERY_THROW);
  Sequence<Sequence<Any>> data(rows);
  for (int row = 0; row < rows; ++row) {
    Sequence<Any> line(columns);
    for (int column = 0; column < columns; ++column) {
      line.getArray()[column] <<= static_cast<double>(row * columns + column);
    }
    data.getArray()[row] = line;
  }
  range->setDataArray(data);
}

void RealSuite::setCell(const Document& sheet, const std::string& cell, const std::string& text) {
  CellOf(sheet, cell)->setFormula(U(text));
}

std::string RealSuite::selection(const Document& sheet) {
  Reference<css::frame::XModel> model(sheet, UNO_QUERY_THROW);
  Reference<css::sheet::XCellRangeAddressable> chosen(model->getCurrentSelection(),
                                                      UNO_QUERY_THROW);
  const css::table::CellRangeAddress at = chosen->getRangeAddress();
  return std::string(1, static_cast<char>('A' + at.StartColumn)) + std::to_string(at.StartRow + 1) +
         "@" + std::to_string(at.Sheet);
}

void RealSuite::insertRow(const Document& sheet, int row) {
  Reference<css::sheet::XSpreadsheetDocument> document(sheet, UNO_QUERY_THROW);
  Reference<css::container::XIndexAccess> sheets(document->getSheets(), UNO_QUERY_THROW);
  Reference<css::table::XColumnRowRange> first(sheets->getByIndex(0), UNO_QUERY_THROW);
  first->getRows()->insertByIndex(row, 1);
}

void RealSuite::addChart(const Document& sheet) {
  Reference<css::sheet::XSpreadsheetDocument> document(sheet, UNO_QUERY_THROW);
  Reference<css::container::XIndexAccess> sheets(document->getSheets(), UNO_QUERY_THROW);
  Reference<css::table::XTableChartsSupplier> first(sheets->getByIndex(0), UNO_QUERY_THROW);
  css::table::CellRangeAddress range;
  range.EndColumn = 1;
  range.EndRow = 3;
  first->getCharts()->addNewByName(U("Chart"), css::awt::Rectangle(3000, 3000, 8000, 6000),
                                   Sequence<css::table::CellRangeAddress>(&range, 1), true, true);
}

void RealSuite::addComment(const Document& sheet, const std::string& cell,
                           const std::string& text) {
  Reference<css::sheet::XSpreadsheetDocument> document(sheet, UNO_QUERY_THROW);
  Reference<css::container::XIndexAccess> sheets(document->getSheets(), UNO_QUERY_THROW);
  Reference<css::sheet::XSheetAnnotationsSupplier> first(sheets->getByIndex(0), UNO_QUERY_THROW);
  Reference<css::sheet::XCellAddressable> at(CellOf(sheet, cell), UNO_QUERY_THROW);
  first->getAnnotations()->insertNew(at->getCellAddress(), U(text));
}

std::string RealSuite::cell(const Document& sheet, const std::string& cell) {
  return S(CellOf(sheet, cell)->getFormula());
}

void RealSuite::setText(const Document& text, const std::string& content) {
  Reference<css::text::XTextDocument> document(text, UNO_QUERY_THROW);
  document->getText()->setString(U(content));
}

std::string RealSuite::url(const Document& document) {
  return S(Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getURL());
}

std::string RealSuite::title(const Document& document) {
  return S(Reference<css::frame::XTitle>(document, UNO_QUERY_THROW)->getTitle());
}

std::string RealSuite::filterName(const Document& document) {
  Reference<css::frame::XModel> model(document, UNO_QUERY_THROW);
  for (const css::beans::PropertyValue& argument : model->getArgs()) {
    if (argument.Name == "FilterName") {
      OUString name;
      argument.Value >>= name;
      return S(name);
    }
  }
  return "";
}

bool RealSuite::modified(const Document& document) {
  return Reference<css::util::XModifiable>(document, UNO_QUERY_THROW)->isModified();
}

bool RealSuite::isSpreadsheet(const Document& document) {
  return Reference<css::lang::XServiceInfo>(document, UNO_QUERY_THROW)
      ->supportsService("com.sun.star.sheet.SpreadsheetDocument");
}

std::vector<Document> RealSuite::components() {
  Reference<css::frame::XDesktop2> desktop = css::frame::Desktop::create(context_);
  Reference<css::container::XEnumeration> all = desktop->getComponents()->createEnumeration();
  std::vector<Document> found;
  while (all->hasMoreElements()) {
    Document component(all->nextElement(), css::uno::UNO_QUERY);
    if (component.is()) found.push_back(component);
  }
  return found;
}

void RealSuite::close(const Document& document) {
  Reference<css::util::XCloseable> closeable(document, css::uno::UNO_QUERY);
  if (closeable.is()) {
    closeable->close(true);
  } else {
    document->dispose();
  }
}

void RealSuite::closeAll() {
  for (const Document& document : components()) close(document);
}

}  // namespace tg::office
