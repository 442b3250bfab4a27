#include "adapters/qt/QtVersionsWindow.h"

#include <malloc.h>

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include "adapters/qt/QtControls.h"
#include "common/Globals.h"

namespace tg {
namespace {

QTreeWidget* MakeList(const QStringList& headers) {
  auto* list = new QTreeWidget;
  list->setHeaderLabels(headers);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);  // thousands of rows lay out at once
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setAllColumnsShowFocus(true);
  list->header()->setStretchLastSection(true);
  return list;
}

int RowOf(QTreeWidget* list, QTreeWidgetItem* item) {
  return item ? list->indexOfTopLevelItem(item) : -1;
}

}  // namespace

void QtVersionsWidget::closeEvent(QCloseEvent* event) {
  event->accept();
  if (hidden) hidden();
}

QtVersionsWindow::QtVersionsWindow() {
  build();
  window_.hidden = [this] { whenClosed(); };
}

// The copies it listed took many small blocks; the C library keeps freed ones for the process
// unless asked to give them back, and the program idles in the tray for days.
QtVersionsWindow::~QtVersionsWindow() {
  QTimer::singleShot(0, [] { malloc_trim(0); });
}

void QtVersionsWindow::build() {
  window_.setWindowTitle(ToQString(VersionsCaptions::Window));
  window_.resize(900, 480);

  auto* findLabel = new QLabel(ToQString(VersionsCaptions::Filter));
  filter_ = new QLineEdit;
  filter_->setObjectName("filter");
  filter_->setClearButtonEnabled(true);
  findLabel->setBuddy(filter_);
  documents_ = MakeList({ToQString(VersionsCaptions::Documents), "Folder", "Newest copy"});
  copies_ = MakeList({ToQString(VersionsCaptions::Copies), "Size", "Folder"});
  documents_->setObjectName("documents");
  copies_->setObjectName("copies");
  // Wide enough for a name and a date and time as the log writes them; measuring thousands of
  // rows instead would cost the opening its speed.
  const int character = window_.fontMetrics().averageCharWidth();
  documents_->setColumnWidth(0, 22 * character);
  documents_->setColumnWidth(1, 22 * character);
  copies_->setColumnWidth(0, 24 * character);
  copies_->setColumnWidth(1, 9 * character);

  auto* left = new QWidget;
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  auto* findRow = new QHBoxLayout;
  findRow->addWidget(findLabel);
  findRow->addWidget(filter_);
  leftLayout->addLayout(findRow);
  leftLayout->addWidget(documents_);
  auto* splitter = new QSplitter;
  splitter->addWidget(left);
  splitter->addWidget(copies_);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);

  open_ = new QPushButton(ToQString(VersionsCaptions::Open));
  showInFolder_ = new QPushButton(ToQString(VersionsCaptions::ShowInFolder));
  saveAs_ = new QPushButton(ToQString(VersionsCaptions::SaveAs));
  close_ = new QPushButton(ToQString(VersionsCaptions::Close));
  status_ = new QLabel;
  status_->setWordWrap(true);
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(open_);
  buttons->addWidget(showInFolder_);
  buttons->addWidget(saveAs_);
  buttons->addStretch();
  buttons->addWidget(close_);

  auto* layout = new QVBoxLayout(&window_);
  layout->addWidget(splitter, 1);
  layout->addWidget(status_);
  layout->addLayout(buildWorkButtons());
  layout->addLayout(buttons);

  // Typing, then the lists, then the buttons, as the eye reads the window.
  QWidget::setTabOrder(filter_, documents_);
  QWidget::setTabOrder(documents_, copies_);
  QWidget::setTabOrder(copies_, open_);
  QWidget::setTabOrder(open_, showInFolder_);
  QWidget::setTabOrder(showInFolder_, saveAs_);
  QWidget::setTabOrder(saveAs_, compare_);
  QWidget::setTabOrder(compare_, comparePrevious_);
  QWidget::setTabOrder(comparePrevious_, formulas_);
  QWidget::setTabOrder(formulas_, restore_);
  QWidget::setTabOrder(restore_, keep_);
  QWidget::setTabOrder(keep_, close_);
  copies_->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(copies_, &QWidget::customContextMenuRequested,
                   [this](const QPoint& at) { showCopyMenu(at); });

  QObject::connect(filter_, &QLineEdit::textChanged, [this](const QString& text) {
    if (filterChanged) filterChanged(ToStdString(text));
  });
  QObject::connect(documents_, &QTreeWidget::currentItemChanged,
                   [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
                     if (!choosingFromCode_ && item && documentChosen)
                       documentChosen(RowOf(documents_, item));
                   });
  QObject::connect(copies_, &QTreeWidget::currentItemChanged,
                   [this](QTreeWidgetItem* item, QTreeWidgetItem*) {
                     if (!choosingFromCode_ && item && copyChosen) copyChosen(RowOf(copies_, item));
                   });
  // A double click or Enter on a copy opens it, as in a file manager.
  QObject::connect(copies_, &QTreeWidget::itemActivated, [this](QTreeWidgetItem*, int) {
    if (open_->isEnabled() && openClicked) openClicked();
  });
  // From the filter box, the arrow keys go on into the list.
  QObject::connect(filter_, &QLineEdit::returnPressed, [this] { documents_->setFocus(); });
  QObject::connect(open_, &QPushButton::clicked, [this] {
    if (openClicked) openClicked();
  });
  QObject::connect(showInFolder_, &QPushButton::clicked, [this] {
    if (showInFolderClicked) showInFolderClicked();
  });
  QObject::connect(saveAs_, &QPushButton::clicked, [this] {
    if (saveAsClicked) saveAsClicked();
  });
  QObject::connect(close_, &QPushButton::clicked, [this] { window_.close(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), &window_);
  QObject::connect(escape, &QShortcut::activated, [this] { window_.close(); });
}

// What is done with a copy beyond looking at it. Restore only ever from a button or the menu, never
// from Enter or a double click: it replaces the workbook's content.
QHBoxLayout* QtVersionsWindow::buildWorkButtons() {
  compare_ = new QPushButton(ToQString(VersionsCaptions::Compare));
  compare_->setObjectName("compare");
  compare_->setToolTip("The cells that changed from this copy to the workbook as it is now");
  comparePrevious_ = new QPushButton(ToQString(VersionsCaptions::ComparePrevious));
  comparePrevious_->setObjectName("comparePrevious");
  comparePrevious_->setToolTip("The cells that changed from the copy before this one to this one");
  formulas_ = new QCheckBox(ToQString(VersionsCaptions::Formulas));
  formulas_->setObjectName("formulas");
  formulas_->setToolTip("Compare formulas rather than the values they give");
  restore_ = new QPushButton(ToQString(VersionsCaptions::Restore));
  restore_->setObjectName("restore");
  restore_->setToolTip(
      "Give the workbook this copy's content back; its current state is kept as a copy first");
  keep_ = new QPushButton(ToQString(VersionsCaptions::Keep));
  keep_->setObjectName("keep");
  keep_->setCheckable(true);
  keep_->setToolTip("Keep this copy: neither Keep Copies nor thinning ever removes it");
  for (QPushButton* button : {compare_, comparePrevious_, restore_, keep_}) {
    button->setAutoDefault(false);
    button->setEnabled(false);
  }
  auto* row = new QHBoxLayout;
  row->addWidget(compare_);
  row->addWidget(comparePrevious_);
  row->addWidget(formulas_);
  row->addStretch();
  row->addWidget(restore_);
  row->addWidget(keep_);
  auto raise = [](const std::function<void()>& handler) {
    if (handler) handler();
  };
  QObject::connect(compare_, &QPushButton::clicked, [this, raise] { raise(compareClicked); });
  QObject::connect(comparePrevious_, &QPushButton::clicked,
                   [this, raise] { raise(comparePreviousClicked); });
  QObject::connect(restore_, &QPushButton::clicked, [this, raise] { raise(restoreClicked); });
  QObject::connect(keep_, &QPushButton::clicked, [this, raise] { raise(keepClicked); });
  return row;
}

void QtVersionsWindow::showCopyMenu(const QPoint& at) {
  if (!copies_->itemAt(at)) return;
  QMenu menu(&window_);
  // Each entry is picked by its letter too, as menus are.
  auto entry = [&menu](QPushButton* button, QChar letter) {
    QString text = button->text();
    text.insert(static_cast<int>(text.indexOf(letter)), '&');
    QAction* action = menu.addAction(text, [button] { button->click(); });
    action->setEnabled(button->isEnabled());
    action->setCheckable(button->isCheckable());
    action->setChecked(button->isChecked());
  };
  entry(open_, 'O');
  entry(showInFolder_, 'F');
  entry(saveAs_, 'S');
  menu.addSeparator();
  entry(compare_, 'C');
  entry(comparePrevious_, 'P');
  menu.addSeparator();
  entry(restore_, 'R');
  entry(keep_, 'K');
  menu.exec(copies_->viewport()->mapToGlobal(at));
}

void QtVersionsWindow::enableWorkActions(bool compare, bool comparePrevious, bool restore,
                                         bool keep, bool kept) {
  compare_->setEnabled(compare);
  comparePrevious_->setEnabled(comparePrevious);
  restore_->setEnabled(restore);
  keep_->setEnabled(keep);
  keep_->setChecked(kept);
}

bool QtVersionsWindow::formulasChosen() const { return formulas_->isChecked(); }

bool QtVersionsWindow::confirm(std::string_view text) {
  return QMessageBox::question(&window_, ToQString(ProductTitle), ToQString(text),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

// A window of its own beside the copies, so the user can look at both; the one of the last
// comparison is replaced.
void QtVersionsWindow::showChanges(std::string_view title, const std::vector<ChangeRow>& rows) {
  if (changes_) changes_->deleteLater();
  auto* changes = new QWidget(&window_, Qt::Window);
  changes->setAttribute(Qt::WA_DeleteOnClose);
  changes->setObjectName("changes");
  changes->setWindowTitle(ToQString(VersionsCaptions::ChangesWindow));
  changes->resize(760, 420);
  auto* heading = new QLabel(ToQString("What changed " + std::string(title) + ":"));
  heading->setWordWrap(true);
  QTreeWidget* list = MakeList(
      {ToQString(VersionsCaptions::ChangesSheet), ToQString(VersionsCaptions::ChangesPlace),
       ToQString(VersionsCaptions::ChangesBefore), ToQString(VersionsCaptions::ChangesAfter)});
  list->setObjectName("changeList");
  const int character = window_.fontMetrics().averageCharWidth();
  list->setColumnWidth(0, 14 * character);
  list->setColumnWidth(1, 18 * character);
  list->setColumnWidth(2, 30 * character);
  QList<QTreeWidgetItem*> items;
  for (const ChangeRow& row : rows) {
    items.append(new QTreeWidgetItem(QStringList{ToQString(row.sheet), ToQString(row.place),
                                                 ToQString(row.before), ToQString(row.after)}));
  }
  list->addTopLevelItems(items);
  // Enter or a double click shows the change in the workbook, in the office.
  QObject::connect(list, &QTreeWidget::itemActivated, [this, list](QTreeWidgetItem* item, int) {
    if (changeChosen) changeChosen(RowOf(list, item));
  });
  list->setToolTip("Enter or a double click shows the change in the workbook");
  auto* closeButton = new QPushButton(ToQString(VersionsCaptions::Close));
  QObject::connect(closeButton, &QPushButton::clicked, changes, &QWidget::close);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), changes);
  QObject::connect(escape, &QShortcut::activated, changes, &QWidget::close);
  auto* layout = new QVBoxLayout(changes);
  layout->addWidget(heading);
  layout->addWidget(list, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(closeButton);
  layout->addLayout(bottom);
  changes_ = changes;
  changes->show();
  changes->raise();
  changes->activateWindow();
  list->setFocus();
  if (list->topLevelItemCount() > 0) list->setCurrentItem(list->topLevelItem(0));
}

// The window's owner may free it from `closed`: that runs once this event is over, from a copy.
void QtVersionsWindow::whenClosed() {
  std::function<void()> done = closed;
  QTimer::singleShot(0, [done] {
    if (done) done();
  });
}

void QtVersionsWindow::showDocuments(const std::vector<DocumentRow>& rows) {
  choosingFromCode_ = true;
  documents_->setUpdatesEnabled(false);
  documents_->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const DocumentRow& row : rows) {
    items.append(new QTreeWidgetItem(
        QStringList{ToQString(row.name), ToQString(row.folder), ToQString(row.newestCopy)}));
  }
  documents_->addTopLevelItems(items);
  documents_->setUpdatesEnabled(true);
  choosingFromCode_ = false;
}

void QtVersionsWindow::showCopies(const std::vector<CopyRow>& rows) {
  choosingFromCode_ = true;
  copies_->clear();
  const QBrush gone = window_.palette().brush(QPalette::Disabled, QPalette::Text);
  for (const CopyRow& row : rows) {
    auto* item = new QTreeWidgetItem(
        QStringList{ToQString(row.madeAt), row.present ? ToQString(row.size) : QString("gone"),
                    ToQString(row.folder)});
    if (!row.present) {
      for (int column = 0; column < 3; ++column) item->setForeground(column, gone);
    }
    copies_->addTopLevelItem(item);
  }
  choosingFromCode_ = false;
}

void QtVersionsWindow::chooseDocument(int row) {
  choosingFromCode_ = true;
  documents_->setCurrentItem(documents_->topLevelItem(row));
  choosingFromCode_ = false;
}

void QtVersionsWindow::chooseCopy(int row) {
  choosingFromCode_ = true;
  copies_->setCurrentItem(copies_->topLevelItem(row));
  choosingFromCode_ = false;
}

void QtVersionsWindow::enableCopyActions(bool open, bool showInFolder, bool saveAs) {
  open_->setEnabled(open);
  showInFolder_->setEnabled(showInFolder);
  saveAs_->setEnabled(saveAs);
}

void QtVersionsWindow::setStatus(std::string_view text) { status_->setText(ToQString(text)); }

std::optional<std::string> QtVersionsWindow::askWhereToSave(std::string_view suggestedPath) {
  const QString chosen =
      QFileDialog::getSaveFileName(&window_, "Save the copy as", ToQString(suggestedPath));
  if (chosen.isEmpty()) return std::nullopt;
  return ToStdString(chosen);
}

void QtVersionsWindow::tell(std::string_view text) {
  QMessageBox::warning(&window_, ToQString(ProductTitle), ToQString(text));
}

void QtVersionsWindow::bringToFront() {
  window_.show();
  window_.setWindowState(window_.windowState() & ~Qt::WindowMinimized);
  window_.raise();
  window_.activateWindow();
  if (!window_.focusWidget()) filter_->setFocus();
}

WindowSize QtVersionsWindow::size() const { return {window_.width(), window_.height()}; }

void QtVersionsWindow::setSize(WindowSize size) { window_.resize(size.width, size.height); }

}  // namespace tg
