#pragma once
// The grid that shows the result table: a model over the table itself (no
// copy, so a million rows load at once), a header painted in the sort keys'
// colours, and cells painted by the grid's own rules. Row 0 of the
// table is the horizontal header; table row r is view row r - 1.
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QAbstractTableModel>
#include <QColor>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>

#include "kernel/stringtable.h"
#include "kernel/tablesearch.h"

namespace rowsmith {

class ResultTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit ResultTableModel(StringTable& table, QObject* parent = nullptr);

  StringTable& table() { return table_; }
  const StringTable& table() const { return table_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Around a change of the row count made directly on the table.
  void beginTableChange() { beginResetModel(); }
  void endTableChange() { endResetModel(); }
  // Around a new row order; column widths and moves stay as they are.
  void beginRowOrderChange() { emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint); }
  void endRowOrderChange() { emit layoutChanged({}, QAbstractItemModel::VerticalSortHint); }
  // The date columns and the form they show in; a new form repaints the
  // cells, the table stays as it is.
  const DateCells& dates() const { return dates_; }
  void setDateForm(DateForm form);
  // Sets one cell of the table (row counted in table rows) and repaints it.
  void setTableCell(int column, int row, std::string_view text);

  // Shows only the given table rows (ascending), or every row for nothing.
  void setShownRows(std::optional<std::vector<int>> rows);
  bool filtered() const { return shown_.has_value(); }
  const std::vector<int>& shownRows() const { return *shown_; }
  int tableRow(int viewRow) const;
  // The view row of a table row; -1 when the filter hides it.
  int viewRow(int tableRow) const;
  // Cells containing the text of the find bar get a background of their own.
  void setHighlight(std::optional<TableSearch> search);
  void setHeaderTip(std::function<QString(int column)> tip) { headerTip_ = std::move(tip); }
  // Cells the user changed since the import get a background of their own.
  void markChanged(int column, int tableRow, bool changed);
  void clearChangedCells();
  bool changed(int column, int tableRow) const { return changed_.count({tableRow, column}) > 0; }

 private:
  StringTable& table_;
  DateCells dates_;
  std::optional<std::vector<int>> shown_;
  std::optional<TableSearch> highlight_;
  std::function<QString(int column)> headerTip_;
  std::set<std::pair<int, int>> changed_;  // table row, column
};

// How a cell shows on one line: each line break becomes one visible mark.
QString oneLineText(const QString& text);
inline constexpr QChar kLineBreakMark(0x21B5);
inline const QColor kFoundCellColour(255, 230, 120);
inline const QColor kChangedCellColour(255, 205, 205);
// A cell is painted, and shown in its tooltip, up to this many characters;
// text shaping of a longer one would take seconds at every repaint.
inline constexpr int kMaxShownCellChars = 1000;
// The cell's text up to that bound, "…" after it.
QString boundedCellText(std::string_view cell, int maxChars = kMaxShownCellChars);
// The details of a row show more of a long note, within a bound as well.
inline constexpr int kMaxDetailChars = 10000;

// Header sections painted on the button face, or in the colour the callback
// gives for a sort key column.
class ResultHeader : public QHeaderView {
  Q_OBJECT
 public:
  using SectionColour = std::function<QColor(int logicalIndex)>;
  explicit ResultHeader(QWidget* parent = nullptr);
  void setSectionColour(SectionColour colour) { colour_ = std::move(colour); }
  // A mark drawn at the right of a section (a sort key's rank).
  void setSectionMark(std::function<QString(int logicalIndex)> mark) { mark_ = std::move(mark); }

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  SectionColour colour_;
  std::function<QString(int logicalIndex)> mark_;
};

// Cells: white bold text on the highlight colour for the selected cell (a
// fixed blue when the grid has no focus), black on the window colour
// otherwise; one line, 2 pixels in from the top-left corner.
class ResultCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

// The export table: a numbered copy of the grid in the order it shows its
// columns, with the width of each column (0 for one the user has hidden).
inline constexpr int kExportColumnWidth = 64;
struct ExportTable {
  StringTable table;
  std::vector<int> columnWidths;
  std::vector<int> resultColumns;  // what each column shows; -1 the row numbers
};

inline constexpr int kDefaultColumnWidth = 96;
inline constexpr int kDefaultRowHeight = 18;
// Unfocused selection colour.
inline const QColor kInactiveSelection(64, 64, 240);

class ResultGrid : public QTableView {
  Q_OBJECT
 public:
  ResultGrid(StringTable& table, QWidget* parent = nullptr);
  ResultTableModel* tableModel() const { return model_; }
  ResultHeader* resultHeader() const { return header_; }

  // The current cell in table coordinates; row -1 when there is none.
  int currentTableRow() const;
  int currentColumn() const;
  void setCurrentCell(int column, int tableRow);
  // The columns not hidden, in the order shown.
  std::vector<int> shownColumns() const;
  // Ctrl+C: the selected range as tab-separated lines on the clipboard.
  void copySelection() const;
  // What the export writes: the rows the filter shows, the columns in the
  // order shown.
  ExportTable exportTable() const;

  // Delete clears the current cell; Ctrl+Z gives the cell cleared last its
  // text back. Each returns false when there was nothing to do.
  bool clearCurrentCell();
  bool undoClear();
  bool canUndoClear() const { return !cleared_.empty(); }
  // A new table: the cells cleared in the old one are forgotten.
  void forgetClearedCells();
  // Around a new row order: the rows of the cleared cells before it, by
  // which the cells find their rows again after it.
  std::vector<std::string> clearedCellRows() const;
  void followClearedCells(const std::vector<std::string>& before);

 private:
  struct ClearedCell {
    int column;
    int row;
    std::string text;
  };
  std::vector<ClearedCell> cleared_;
  ResultTableModel* model_;
  ResultHeader* header_;
};

}  // namespace rowsmith
