#pragma once
// The main window: the welcome text above the result grid, the "Go!" and
// "Export" buttons and the choice of the date form. It owns the result table
// and the sort state that header clicks build.
#include <array>
#include <functional>
#include <span>

#include <QString>
#include <QWidget>

#include "kernel/stringtable.h"

class QFileDialog;
class QFrame;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSplitter;

namespace rowsmith {

class ResultGrid;
class TfrmSaveToForm;

inline constexpr int kMaxShiftSortKeys = 5;

// The welcome text of memClientTopTop (CR LF line breaks).
const std::string& welcomeText();

// The export table: a numbered copy of the grid in the order it shows its
// columns, with the width of each column (0 for one the user has hidden).
struct ExportTable {
  StringTable table;
  std::vector<int> columnWidths;
};

class TfrmGedComIm : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmGedComIm(QWidget* parent = nullptr);
  ~TfrmGedComIm() override;

  void FormCreate();
  void mnuClearAllClick();
  void btnGoClick();
  void btnClientClientExportClick();
  void FormClose();

  // Grid handlers; points are in SGrid's own coordinates.
  void SGridMouseDown(Qt::MouseButton button, int x, int y);
  void SGridMouseUp(Qt::MouseButton button, int x, int y);
  void SGridKeyDown(int key, Qt::KeyboardModifiers modifiers);
  void ClearSelection();
  void SortGrid(std::span<const int> keys, bool descending);
  // Colour of a header for the current sort state; invalid = button face.
  QColor headerColour(int column) const;

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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct GridCell {
    int column = -1;
    int row = -1;  // 0 = the header row
    int left = 0;
    int right = 0;
  };
  GridCell cellAt(int x, int y) const;
  void createControls();

  StringTable table_;
  FileChooser fileChooser_;
  std::function<bool()> shiftDown_;
  TfrmSaveToForm* saveToForm_ = nullptr;
  bool openDialogUsed_ = false;
  QString lastOpenFolder_;
  bool columnMovedSincePress_ = false;
};

}  // namespace rowsmith
