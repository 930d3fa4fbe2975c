#include "ui/resultgrid.h"

#include <algorithm>
#include <unordered_map>

#include <QPainter>

#include "export/exporttext.h"
#include "export/rangetext.h"
#include "import/resultcolumns.h"
#include "nls/nlssupport.h"
#include "platform/platform.h"

namespace rowsmith {

namespace {

constexpr int kTextInset = 2;

// One line, cut with "…" where the column is too narrow.
void drawCellText(QPainter* painter, const QRect& rect, const QString& text, Qt::Alignment align = Qt::AlignLeft) {
  painter->save();
  painter->setClipRect(rect);
  const QRect inner = rect.adjusted(kTextInset, kTextInset, -kTextInset, 0);
  painter->drawText(inner, align | Qt::AlignTop | Qt::TextSingleLine,
                    painter->fontMetrics().elidedText(text, Qt::ElideRight, inner.width()));
  painter->restore();
}

}  // namespace

ResultTableModel::ResultTableModel(StringTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table), dates_(resultDateCells(DateForm::Western)) {}

void ResultTableModel::setDateForm(DateForm form) {
  if (form == dates_.form) return;
  dates_.form = form;
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int ResultTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return shown_ ? static_cast<int>(shown_->size()) : std::max(table_.rowCount() - 1, 0);
}

int ResultTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.columnCount();
}

// The tooltip shows the whole text of a cell the column is too narrow for.
QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  std::string scratch;
  const std::string_view cell = dates_.shown(table_, index.column(), tableRow(index.row()), scratch);
  switch (role) {
    case Qt::DisplayRole:
      return oneLineText(boundedCellText(cell));
    case Qt::ToolTipRole:
      // The text, line breaks included, for cells cut or folded.
      return cell.empty() ? QVariant() : QVariant(boundedCellText(cell));
    case Qt::BackgroundRole:
      if (highlight_ && !highlight_->empty() && highlight_->contains(cell)) return kFoundCellColour;
      if (!changed_.empty() && changed(index.column(), tableRow(index.row()))) return kChangedCellColour;
      return {};
    default:
      return {};
  }
}

int ResultTableModel::tableRow(int viewRow) const {
  if (!shown_) return viewRow + 1;
  return viewRow >= 0 && static_cast<size_t>(viewRow) < shown_->size() ? (*shown_)[static_cast<size_t>(viewRow)] : -1;
}

int ResultTableModel::viewRow(int tableRow) const {
  if (!shown_) return tableRow >= 1 && tableRow < table_.rowCount() ? tableRow - 1 : -1;
  auto at = std::lower_bound(shown_->begin(), shown_->end(), tableRow);
  return at != shown_->end() && *at == tableRow ? static_cast<int>(at - shown_->begin()) : -1;
}

void ResultTableModel::setShownRows(std::optional<std::vector<int>> rows) {
  beginResetModel();
  shown_ = std::move(rows);
  endResetModel();
}

void ResultTableModel::setHighlight(std::optional<TableSearch> search) {
  highlight_ = std::move(search);
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

QString boundedCellText(std::string_view cell, int maxChars) {
  // A cell of no more bytes than the bound has no more characters.
  if (cell.size() <= static_cast<size_t>(maxChars)) return platform::fromUtf8(cell);
  size_t at = 0;
  int characters = 0;
  while (at < cell.size() && characters < maxChars) {
    ++at;
    while (at < cell.size() && (static_cast<unsigned char>(cell[at]) & 0xC0) == 0x80) ++at;
    ++characters;
  }
  if (at >= cell.size()) return platform::fromUtf8(cell);
  size_t length = 0;
  for (char c : cell) length += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return platform::fromUtf8(cell.substr(0, at)) + QChar(0x2026) + QLatin1Char(' ') +
         platform::fromUtf8(replacePlaceholder(NLS().GetNLSText("frmGedComIm", "CellLength", "(%s Zeichen)"),
                                               std::to_string(length)));
}

void ResultTableModel::markChanged(int column, int tableRow, bool changed) {
  if (changed)
    changed_.insert({tableRow, column});
  else
    changed_.erase({tableRow, column});
  const QModelIndex cell = index(viewRow(tableRow), column);
  if (cell.isValid()) emit dataChanged(cell, cell, {Qt::BackgroundRole});
}

void ResultTableModel::clearChangedCells() { changed_.clear(); }

QString oneLineText(const QString& text) {
  if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) return text;
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QString(kLineBreakMark));
  shown.replace(QLatin1Char('\r'), kLineBreakMark);
  shown.replace(QLatin1Char('\n'), kLineBreakMark);
  return shown;
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::ToolTipRole && orientation == Qt::Horizontal && headerTip_) return headerTip_(section);
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return platform::fromUtf8(table_.cell(section, 0));
  return QString::number(section + 1);
}

Qt::ItemFlags ResultTableModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ResultTableModel::setTableCell(int column, int row, std::string_view text) {
  if (row < 1 || row >= table_.rowCount() || column < 0 || column >= table_.columnCount()) return;
  table_.setCell(column, row, text);
  QModelIndex changed = index(viewRow(row), column);
  if (changed.isValid()) emit dataChanged(changed, changed);
}

ResultHeader::ResultHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

void ResultHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  QColor background = colour_ ? colour_(logicalIndex) : QColor();
  if (!background.isValid()) background = palette().color(QPalette::Button);
  painter->fillRect(rect, background);
  // Raised edges, as fixed cells have.
  painter->setPen(palette().color(QPalette::Light));
  painter->drawLine(rect.topLeft(), rect.topRight());
  painter->drawLine(rect.topLeft(), rect.bottomLeft());
  painter->setPen(palette().color(QPalette::Dark));
  painter->drawLine(rect.topRight(), rect.bottomRight());
  painter->drawLine(rect.bottomLeft(), rect.bottomRight());
  painter->setPen(Qt::black);
  painter->setFont(font());
  QRect textRect = rect;
  if (const QString mark = mark_ ? mark_(logicalIndex) : QString(); !mark.isEmpty()) {
    QFont bold = font();
    bold.setBold(true);
    painter->setFont(bold);
    const int markWidth = painter->fontMetrics().horizontalAdvance(mark) + 2 * kTextInset;
    drawCellText(painter, rect.adjusted(std::max(rect.width() - markWidth, 0), 0, 0, 0), mark, Qt::AlignRight);
    painter->setFont(font());
    textRect.setRight(rect.right() - markWidth);
  }
  drawCellText(painter, textRect, model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString()
                                          : QString());
}

void ResultCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  const QVariant found = index.data(Qt::BackgroundRole);
  QColor background = found.isValid() ? found.value<QColor>() : option.palette.color(QPalette::Active, QPalette::Base);
  QColor text = Qt::black;
  QFont font = option.font;
  if (selected) {
    const bool focused = option.widget && option.widget->hasFocus();
    background = focused ? option.palette.color(QPalette::Active, QPalette::Highlight) : kInactiveSelection;
    text = Qt::white;
    font.setBold(true);
  }
  painter->fillRect(option.rect, background);
  painter->setPen(text);
  painter->setFont(font);
  drawCellText(painter, option.rect, index.data(Qt::DisplayRole).toString());
}

ResultGrid::ResultGrid(StringTable& table, QWidget* parent)
    : QTableView(parent), model_(new ResultTableModel(table, this)), header_(new ResultHeader(this)) {
  setHorizontalHeader(header_);
  setModel(model_);
  setItemDelegate(new ResultCellDelegate(this));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // One rectangle of cells, copied as a block.
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setShowGrid(true);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  // Columns are moved and resized with the mouse; a click on a header sorts
  // (handled by the window), so the header must not select a column.
  header_->setSectionsMovable(true);
  header_->setSectionsClickable(false);
  header_->setHighlightSections(false);
  header_->setSectionResizeMode(QHeaderView::Interactive);
  header_->setMinimumSectionSize(0);
  header_->setDefaultSectionSize(kDefaultColumnWidth);
  header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignTop);
  // No fixed columns: the row numbers of the view are not shown.
  verticalHeader()->hide();
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(kDefaultRowHeight);
}

int ResultGrid::currentTableRow() const {
  QModelIndex current = currentIndex();
  return current.isValid() ? model_->tableRow(current.row()) : -1;
}

int ResultGrid::currentColumn() const {
  QModelIndex current = currentIndex();
  return current.isValid() ? current.column() : -1;
}

void ResultGrid::setCurrentCell(int column, int tableRow) {
  QModelIndex cell = model_->index(model_->viewRow(tableRow), column);
  if (!cell.isValid()) return;
  selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
  scrollTo(cell);
}

std::vector<int> ResultGrid::shownColumns() const {
  std::vector<int> columns;
  for (int visual = 0; visual < header_->count(); ++visual) {
    const int logical = header_->logicalIndex(visual);
    if (!header_->isSectionHidden(logical) && header_->sectionSize(logical) > 0) columns.push_back(logical);
  }
  return columns;
}

void ResultGrid::copySelection() const {
  const QModelIndexList selected = selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return;
  int top = selected.constFirst().row(), bottom = top;
  int leftVisual = header_->visualIndex(selected.constFirst().column()), rightVisual = leftVisual;
  for (const QModelIndex& index : selected) {
    top = std::min(top, index.row());
    bottom = std::max(bottom, index.row());
    const int visual = header_->visualIndex(index.column());
    leftVisual = std::min(leftVisual, visual);
    rightVisual = std::max(rightVisual, visual);
  }
  std::vector<int> rows;
  for (int r = top; r <= bottom; ++r) rows.push_back(model_->tableRow(r));
  std::vector<int> columns;
  for (int logical : shownColumns()) {
    const int visual = header_->visualIndex(logical);
    if (visual >= leftVisual && visual <= rightVisual) columns.push_back(logical);
  }
  platform::putClipboardText(rangeText(model_->table(), model_->dates(), rows, columns));
}

ExportTable ResultGrid::exportTable() const {
  const StringTable& table = model_->table();
  const int columns = table.columnCount();
  std::vector<int> shown(static_cast<size_t>(columns));
  for (int visual = 0; visual < columns; ++visual) shown[static_cast<size_t>(visual)] = header_->logicalIndex(visual);

  // The export follows the filter: what the user narrowed the grid to is
  // what is written, in the order shown.
  StringTable visible(model_->filtered() ? columns : 0);
  if (model_->filtered()) {
    const std::vector<int>& rows = model_->shownRows();
    visible.setRowCount(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r <= static_cast<int>(rows.size()); ++r) {
      const int from = r == 0 ? 0 : rows[static_cast<size_t>(r) - 1];
      for (int c = 0; c < columns; ++c) visible.setCell(c, r, table.cell(c, from));
    }
  }
  ExportTable result{makeExportTable(model_->filtered() ? visible : table, model_->dates(), shown), {}, {-1}};
  result.resultColumns.insert(result.resultColumns.end(), shown.begin(), shown.end());
  result.columnWidths.push_back(kExportColumnWidth);
  for (int logical : shown) {
    const bool hidden = header_->isSectionHidden(logical) || header_->sectionSize(logical) == 0;
    result.columnWidths.push_back(hidden ? 0 : kExportColumnWidth);
  }
  return result;
}

bool ResultGrid::clearCurrentCell() {
  const StringTable& table = model_->table();
  const int row = currentTableRow();
  const int column = currentColumn();
  if (row < 1 || column < 0 || row >= table.rowCount() || table.cell(column, row).empty()) return false;
  cleared_.push_back({column, row, std::string(table.cell(column, row))});
  model_->setTableCell(column, row, "");
  model_->markChanged(column, row, true);
  return true;
}

bool ResultGrid::undoClear() {
  if (cleared_.empty()) return false;
  const ClearedCell cell = std::move(cleared_.back());
  cleared_.pop_back();
  model_->setTableCell(cell.column, cell.row, cell.text);
  const bool stillChanged = std::any_of(cleared_.begin(), cleared_.end(), [&](const ClearedCell& other) {
    return other.column == cell.column && other.row == cell.row;
  });
  model_->markChanged(cell.column, cell.row, stillChanged);
  if (model_->viewRow(cell.row) >= 0) setCurrentCell(cell.column, cell.row);
  return true;
}

std::vector<std::string> ResultGrid::clearedCellRows() const {
  std::vector<std::string> texts;
  for (const ClearedCell& cell : cleared_) texts.emplace_back(model_->table().rowText(cell.row));
  return texts;
}

void ResultGrid::followClearedCells(const std::vector<std::string>& before) {
  if (cleared_.empty()) return;
  // Rows are found again by their content; rows of equal content may trade
  // places, which nobody can tell apart.
  std::unordered_map<std::string_view, std::vector<int>> oldRows;
  for (size_t i = 0; i < cleared_.size(); ++i) {
    std::vector<int>& rows = oldRows[before[i]];
    if (std::find(rows.begin(), rows.end(), cleared_[i].row) == rows.end()) rows.push_back(cleared_[i].row);
  }
  std::unordered_map<int, int> moved;
  for (int r = 1; r < model_->table().rowCount() && moved.size() < cleared_.size(); ++r) {
    auto found = oldRows.find(model_->table().rowText(r));
    if (found == oldRows.end() || found->second.empty()) continue;
    moved[found->second.back()] = r;
    found->second.pop_back();
  }
  model_->clearChangedCells();
  for (ClearedCell& cell : cleared_) {
    if (auto to = moved.find(cell.row); to != moved.end()) cell.row = to->second;
    model_->markChanged(cell.column, cell.row, true);
  }
}

void ResultGrid::forgetClearedCells() {
  cleared_.clear();
  model_->clearChangedCells();
}

}  // namespace rowsmith
