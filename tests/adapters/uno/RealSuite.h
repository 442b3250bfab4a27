#pragma once
// Typed calls of LibreOffice's SDK that set the tests' scene: documents made, edited, stored,
// loaded and closed in a running office, as a user would have them.

#include <sal/config.h>

#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <string>
#include <vector>

namespace tg::office {

namespace css = ::com::sun::star;
using Document = css::uno::Reference<css::lang::XComponent>;

// A file URL for a local path, escaped as the office escapes it.
std::string FileUrl(const std::string& path);

class RealSuite {
 public:
  // Connects to the office on `pipe`, retrying until it answers or `seconds` have passed.
  RealSuite(const std::string& pipe, double seconds);

  Document newSpreadsheet();
  Document newTextDocument();
  Document load(const std::string& path, const std::string& password = "", bool readOnly = false);
  // Opens the file in a window of its own, as a double click in a file manager does.
  Document show(const std::string& path, const std::string& password = "");
  // Stores and binds the document to the file, as "Save As" does.
  void storeAs(const Document& document, const std::string& path, const std::string& filter,
               const std::string& password = "");
  // Stores a copy without binding, as the backup pass does, with typed calls.
  void storeCopy(const Document& document, const std::string& url, const std::string& filter);
  // Fills the first sheet with `rows` x `columns` numbers.
  void fill(const Document& sheet, int rows, int columns);

  void setCell(const Document& sheet, const std::string& cell, const std::string& text);
  // The cell chosen in the document's window, and its sheet's index: "C100@0".
  std::string selection(const Document& sheet);
  // An empty row inserted before row `row` (from 0) of the first sheet, as Insert > Rows does.
  void insertRow(const Document& sheet, int row);
  // A chart of A1:B4 on the first sheet, as Insert > Chart makes one.
  void addChart(const Document& sheet);
  // A comment on `cell`, as Insert > Comment makes one.
  void addComment(const Document& sheet, const std::string& cell, const std::string& text);
  std::string cell(const Document& sheet, const std::string& cell);
  void setText(const Document& text, const std::string& content);
  // The title among the document's properties (File > Properties), as the user sets it.
  void setTitle(const Document& document, const std::string& title);

  std::string url(const Document& document);
  std::string title(const Document& document);
  std::string filterName(const Document& document);
  bool modified(const Document& document);
  bool isSpreadsheet(const Document& document);

  std::vector<Document> components();
  void close(const Document& document);
  void closeAll();

 private:
  Document create(const std::string& factory);
  css::uno::Reference<css::uno::XComponentContext> context_;
  css::uno::Reference<css::frame::XComponentLoader> loader_;
};

}  // namespace tg::office
