#pragma once
// The Versions window on the Qt desktop: the filter box over the documents on the left, the
// chosen document's copies on the right, the buttons and the status line below. Made each time it
// is opened and freed when closed.

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include "common/ports/VersionsView.h"

namespace tg {

class QtVersionsWidget : public QWidget {
 public:
  std::function<void()> hidden;

 protected:
  void closeEvent(QCloseEvent* event) override;
};

class QtVersionsWindow : public VersionsView {
 public:
  QtVersionsWindow();
  ~QtVersionsWindow() override;

  void showDocuments(const std::vector<DocumentRow>& rows) override;
  void showCopies(const std::vector<CopyRow>& rows) override;
  void chooseDocument(int row) override;
  void chooseCopy(int row) override;
  void enableCopyActions(bool open, bool showInFolder, bool saveAs) override;
  void enableWorkActions(bool compare, bool comparePrevious, bool restore, bool keep,
                         bool kept) override;
  bool formulasChosen() const override;
  bool confirm(std::string_view text) override;
  void showChanges(std::string_view title, const std::vector<ChangeRow>& rows) override;
  void setStatus(std::string_view text) override;
  std::optional<std::string> askWhereToSave(std::string_view suggestedPath) override;
  void tell(std::string_view text) override;
  void bringToFront() override;
  WindowSize size() const override;
  void setSize(WindowSize size) override;

  QWidget& widget() { return window_; }

 private:
  void build();
  QHBoxLayout* buildWorkButtons();
  void showCopyMenu(const QPoint& at);
  void whenClosed();

  QtVersionsWidget window_;
  QLineEdit* filter_ = nullptr;
  QTreeWidget* documents_ = nullptr;
  QTreeWidget* copies_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* showInFolder_ = nullptr;
  QPushButton* saveAs_ = nullptr;
  QPushButton* close_ = nullptr;
  QPushButton* compare_ = nullptr;
  QPushButton* comparePrevious_ = nullptr;
  QCheckBox* formulas_ = nullptr;
  QPushButton* restore_ = nullptr;
  QPushButton* keep_ = nullptr;
  QPointer<QWidget> changes_;
  QLabel* status_ = nullptr;
  bool choosingFromCode_ = false;
};

}  // namespace tg
