#pragma once
// The main window: the welcome text above the result grid, the "Go!" and
// "Export" buttons, the choice of the date form, the filter field and the
// find bar. It owns the result table and the sort state that header clicks
// build; imports run in the background and hand it a new table.
#include <array>
#include <functional>
#include <optional>
#include <span>

#include <QString>
#include <QWidget>

#include "kernel/stringtable.h"
#include "ui/importprogress.h"

class QFileDialog;
class QFrame;
class QLabel;
class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSplitter;
class QToolButton;

namespace rowsmith {

class ResultGrid;
class TfrmSaveToForm;

inline constexpr int kMaxShiftSortKeys = 5;

// The welcome text of memClientTopTop (CR LF line breaks).
const std::string& welcomeText();
// A count with the language's thousands separator ("1.000.000").
std::string groupedNumber(long long value);
// How many files the Go! button's menu offers again.
inline constexpr int kRecentFiles = 8;

// The export table: a numbered copy of the grid in the order it shows its
// columns, with the width of each column (0 for one the user has hidden).
struct ExportTable {
  StringTable table;
  std::vector<int> columnWidths;
  std::vector<int> resultColumns;  // what each column shows; -1 the row numbers
};

class TfrmGedComIm : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmGedComIm(QWidget* parent = nullptr);
  ~TfrmGedComIm() override;

  void FormCreate();
  void mnuClearAllClick();
  void btnGoClick();
  // Imports a file as "Go!" does after its dialog; a run that does not
  // succeed keeps the table shown. True when the new table is shown.
  bool importFile(const QString& fileName);
  // The files imported last, newest first, as DEFAULTS.INI keeps them.
  QStringList recentFiles() const;
  // Imports a file of the list; one that is gone is named and may be removed.
  bool openRecentFile(const QString& fileName);
  // Imports the shown file again in the date form now chosen, keeping the
  // sort keys, the filter and the selected row.
  void rbtDateFormClick();

  // Find field (Ctrl+F): the next or previous cell containing its text.
  void showFindBar();
  bool findNext(bool backward = false);
  // Filter: only rows with a cell containing the text; empty shows all.
  void setFilterText(const QString& text);
  // Ctrl+C: the selected range as tab-separated lines.
  void copySelection();
  // Enter or double-click: the whole row in a dialog.
  void showRowDetails();
  void btnClientClientExportClick();
  void FormClose();

  // Grid handlers; points are in SGrid's own coordinates.
  void SGridMouseDown(Qt::MouseButton button, int x, int y);
  void SGridMouseUp(Qt::MouseButton button, int x, int y);
  void SGridKeyDown(int key, Qt::KeyboardModifiers modifiers);
  void ClearSelection();
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
  ExportTable makeExportTable() const;

  // Sort state; see the header click handling.
  int SortMouseDownCol = -1;
  int SortCol = -1;
  bool SortDescending = false;
  std::array<int, kMaxShiftSortKeys> SortKeys{-1, -1, -1, -1, -1};
  int SortKeyCount = -1;
  bool MultiSort = false;
  void resetSortState();

  // Where "Go!" gets its file name: by default GetComOpenDialog run modally;
  // an empty name means the user cancelled. Tests install their own.
  using FileChooser = std::function<QString(QFileDialog& dialog)>;
  void setFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }
  // The Shift state the header click reads; the keyboard's by default.
  void setShiftState(std::function<bool()> shiftDown) { shiftDown_ = std::move(shiftDown); }
  // The one export dialog of the program; made on first use when not set.
  void setSaveToForm(TfrmSaveToForm* dialog) { saveToForm_ = dialog; }
  TfrmSaveToForm* saveToForm();

  QFrame* pnlButton;
  QPushButton* btnGo;
  QPushButton* btnClientClientExport;
  QRadioButton* rbtWesternDate;
  QRadioButton* rbtUnixDate;
  QFrame* pnlClient;
  QFrame* pnlClientTop;
  QPlainTextEdit* memClientTopTop;
  QSplitter* splClient;
  ResultGrid* SGrid;
  QFileDialog* GetComOpenDialog;
  QToolButton* btnGoRecent;
  QMenu* mnuRecent;
  QLabel* lblFilter;
  QLineEdit* edtFilter;
  QLabel* lblFilterCount;  // "shown of all" while a filter is on
  QFrame* pnlFind;
  QLabel* lblFind;
  QLineEdit* edtFind;
  QPushButton* btnFindNext;
  QPushButton* btnFindPrevious;
  QLabel* lblFindState;
  QLabel* lblStatus;
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
  void createSearchControls();
  void createShortcuts();
  void translateTexts();
  void writeHeaders();
  void rememberRecentFile(const QString& fileName);
  void forgetRecentFile(const QString& fileName);
  void createMenu();
  void updateStatus();
  void updateTitle();
  // Fits each column to its header and the first rows' cells.
  void fitColumnWidths();
  void restoreWindowState();
  void saveWindowState();
  // Women's and men's letters of the language shown.
  void localizeSexCells();
  // Keeps the cleared cells' rows known across a new row order.
  struct ClearedCell {
    int column;
    int row;
    std::string text;
  };
  std::vector<std::string> rowsOfClearedCells() const;
  void followClearedCells(const std::vector<std::string>& before);
  void fillRecentMenu();
  std::vector<int> shownColumns() const;
  void reapplyFilter(bool narrowOnly);
  // Shows a freshly imported table in place of the current one.
  void takeTable(StringTable table);
  // A run in the background; the new table when it succeeded, after the
  // user has been told why it did not.
  std::optional<BackgroundImport> runImport(const QString& fileName);

  StringTable table_;
  FileChooser fileChooser_;
  std::function<bool()> shiftDown_;
  TfrmSaveToForm* saveToForm_ = nullptr;
  bool openDialogUsed_ = false;
  QString lastOpenFolder_;
  bool columnMovedSincePress_ = false;
  bool importRunning_ = false;
  bool closeAfterImport_ = false;
  ImportProgress* runningImport_ = nullptr;
  std::vector<ClearedCell> cleared_;
  long long persons_ = 0;
  QString shownFile_;  // the file the table came from
  QString appliedFilter_;
};

}  // namespace rowsmith
