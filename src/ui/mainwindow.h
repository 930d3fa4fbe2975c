#pragma once
// The main window: the welcome text above the result grid, the find bar,
// the "Go!" and "Export" buttons and the choice of the date form. It owns
// the result table and the sort keys that header clicks build; imports run
// in the background and hand it a new table (adoptTable).
#include <functional>
#include <optional>
#include <span>

#include <QString>
#include <QWidget>

#include "kernel/sortkeys.h"
#include "kernel/stringtable.h"
#include "ui/importprogress.h"
#include "ui/recentfiles.h"

class QFileDialog;
class QFrame;
class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSplitter;
class QToolButton;

namespace rowsmith {

class FindBar;
class ResultGrid;
class ExportDialog;

// The welcome text of memClientTopTop (CR LF line breaks).
const std::string& welcomeText();
// A count with the language's thousands separator ("1.000.000").
std::string groupedNumber(long long value);

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  void FormCreate();
  void btnGoClick();
  // Imports a file as "Go!" does after its dialog; a run that does not
  // succeed keeps the table shown. True when the new table is shown.
  bool importFile(const QString& fileName);
  // The files imported last; the Go! button's menu offers them again.
  const RecentFiles& recentFiles() const { return recentFiles_; }
  // Imports a file of the list; one that is gone is named and may be removed.
  bool openRecentFile(const QString& fileName);
  // Imports the shown file again in the date form now chosen, keeping the
  // sort keys, the filter and the selected row.
  void rbtDateFormClick();

  // Enter or double-click: the whole row in a dialog.
  void showRowDetails();
  void btnClientClientExportClick();
  void FormClose();

  // Grid handlers; points are in SGrid's own coordinates.
  void SGridMouseDown(Qt::MouseButton button, int x, int y);
  void SGridMouseUp(Qt::MouseButton button, int x, int y);
  void SGridKeyDown(int key, Qt::KeyboardModifiers modifiers);
  // Ctrl+Z: gives the cell cleared last its text back; false when none is left.
  bool undoClear();
  // The language of the next start (49 German, 44 English), kept in DEFAULTS.INI.
  void chooseLanguage(int languageId);
  // The status line: rows shown and persons imported.
  QString statusText() const;
  void SortGrid(std::span<const int> keys, bool descending);
  // Colour of a header for the current sort state; invalid = button face.
  QColor headerColour(int column) const;
  // The header's tooltip: the column's place among the sort keys.
  QString headerTip(int column) const;
  // The header's mark of a sort key: its rank and direction ("1▲"), or empty.
  QString headerMark(int column) const;

  // The table behind the grid, row 0 the headers.
  StringTable& resultTable() { return table_; }

  // The keys the header clicks have built.
  const SortKeys& sortKeys() const { return sortKeys_; }
  void resetSortState();

  // Where "Go!" gets its file name: by default gedcomOpenDialog run modally;
  // an empty name means the user cancelled. Tests install their own.
  using FileChooser = std::function<QString(QFileDialog& dialog)>;
  void setFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }
  // The Shift state the header click reads; the keyboard's by default.
  void setShiftState(std::function<bool()> shiftDown) { shiftDown_ = std::move(shiftDown); }
  // The one export dialog of the program; made on first use when not set.
  void setExportDialog(ExportDialog* dialog) { exportDialog_ = dialog; }
  ExportDialog* exportDialog();

  QFrame* pnlButton;
  QPushButton* btnGo;
  QPushButton* btnClientClientExport;
  QRadioButton* rbtWesternDate;
  QRadioButton* rbtSortableDate;
  QFrame* pnlClient;
  QFrame* pnlClientTop;
  QPlainTextEdit* memClientTopTop;
  QSplitter* splClient;
  ResultGrid* SGrid;
  QFileDialog* gedcomOpenDialog;
  QToolButton* btnGoRecent;
  QMenu* mnuRecent;
  FindBar* findBar;
  QMenuBar* mnuMain;
  QAction* actUndo;
  QAction* actGerman;
  QAction* actEnglish;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct GridCell {
    int column = -1;
    int row = -1;  // 0 = the header row
    int left = 0;
    int right = 0;
  };
  GridCell cellAt(int x, int y) const;
  void createControls();
  QFrame* createButtonPanel();
  void connectControls();
  void createShortcuts();
  void translateTexts();
  void writeHeaders();
  void createMenu();
  void updateStatus();
  void updateTitle();
  // Fits each column to its header and the first rows' cells.
  void fitColumnWidths();
  void restoreWindowState();
  void saveWindowState();
  void fillRecentMenu();
  // The one way a new table comes into the window: a new file starts
  // unsorted and unsearched.
  void adoptTable(StringTable table);
  // A run in the background; the new table when it succeeded, after the
  // user has been told why it did not.
  std::optional<BackgroundImport> runImport(const QString& fileName);

  StringTable table_;
  RecentFiles recentFiles_;
  SortKeys sortKeys_;
  int sortPressColumn_ = -1;  // the header column the mouse went down on
  FileChooser fileChooser_;
  std::function<bool()> shiftDown_;
  ExportDialog* exportDialog_ = nullptr;
  bool openDialogUsed_ = false;
  QString lastOpenFolder_;
  bool columnMovedSincePress_ = false;
  bool importRunning_ = false;
  bool closeAfterImport_ = false;
  ImportProgress* runningImport_ = nullptr;
  long long persons_ = 0;
  QString shownFile_;  // the file the table came from
};

}  // namespace rowsmith
