#include "ui/resultgrid.h"

#include <QPainter>

#include "platform/platform.h"

namespace rowsmith {

namespace {

constexpr int kTextInset = 2;

void drawCellText(QPainter* painter, const QRect& rect, const QString& text) {
  painter->save();
  painter->setClipRect(rect);
  // Line breaks inside a cell (notes) are drawn as blanks on one line.
  painter->drawText(rect.adjusted(kTextInset, kTextInset, 0, 0),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  painter->restore();
}

}  // namespace

ResultTableModel::ResultTableModel(StringTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

int ResultTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(table_.rowCount() - 1, 0);
}

int ResultTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.columnCount();
}

// The tooltip shows the whole text of a cell the column is too narrow for.
QVariant ResultTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
  return platform::fromUtf8(table_.cell(index.column(), index.row() + 1));
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  if (orientation == Qt::Horizontal) return platform::fromUtf8(table_.cell(section, 0));
  return QString::number(section + 1);
}

Qt::ItemFlags ResultTableModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ResultTableModel::setTableCell(int column, int row, std::string_view text) {
  if (row < 1 || row >= table_.rowCount() || column < 0 || column >= table_.columnCount()) return;
  table_.setCell(column, row, text);
  QModelIndex changed = index(row - 1, column);
  emit dataChanged(changed, changed);
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
  drawCellText(painter, rect, model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString()
                                      : QString());
}

void ResultCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  QColor background = option.palette.color(QPalette::Active, QPalette::Base);
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
  setSelectionMode(QAbstractItemView::SingleSelection);
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
  return current.isValid() ? current.row() + 1 : -1;
}

int ResultGrid::currentColumn() const {
  QModelIndex current = currentIndex();
  return current.isValid() ? current.column() : -1;
}

void ResultGrid::setCurrentCell(int column, int tableRow) {
  QModelIndex cell = model_->index(tableRow - 1, column);
  if (!cell.isValid()) return;
  selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
  scrollTo(cell);
}

}  // namespace rowsmith
