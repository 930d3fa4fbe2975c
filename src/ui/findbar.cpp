#include "ui/findbar.h"

#include <algorithm>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "kernel/tablesearch.h"
#include "nls/nlssupport.h"
#include "platform/platform.h"
#include "ui/resultgrid.h"

namespace rowsmith {

namespace {

QString text(const char* key, const char* german) {
  return platform::fromUtf8(NLS().GetNLSText("frmGedComIm", key, german));
}

}  // namespace

FindBar::FindBar(ResultGrid& grid, const StringTable& table, QWidget* parent)
    : QFrame(parent), grid_(grid), table_(table) {
  setObjectName("pnlFind");
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Sunken);
  auto* findLayout = new QHBoxLayout(this);
  findLayout->setContentsMargins(4, 2, 4, 2);
  lblFilter = new QLabel("&Filter:", this);
  lblFilter->setObjectName("lblFilter");
  edtFilter = new QLineEdit(this);
  edtFilter->setObjectName("edtFilter");
  edtFilter->setClearButtonEnabled(true);
  edtFilter->setMinimumWidth(140);
  lblFilter->setBuddy(edtFilter);
  lblFilterCount = new QLabel(this);
  lblFilterCount->setObjectName("lblFilterCount");
  lblFind = new QLabel("&Suchen:", this);
  lblFind->setObjectName("lblFind");
  edtFind = new QLineEdit(this);
  edtFind->setObjectName("edtFind");
  edtFind->setMinimumWidth(160);
  lblFind->setBuddy(edtFind);
  btnFindNext = new QPushButton("&Weiter", this);
  btnFindNext->setObjectName("btnFindNext");
  btnFindPrevious = new QPushButton(platform::fromUtf8("&Zurück"), this);
  btnFindPrevious->setObjectName("btnFindPrevious");
  lblFindState = new QLabel(this);
  lblFindState->setObjectName("lblFindState");
  lblStatus = new QLabel(this);
  lblStatus->setObjectName("lblStatus");
  findLayout->addWidget(lblFilter);
  findLayout->addWidget(edtFilter);
  findLayout->addWidget(lblFilterCount);
  findLayout->addSpacing(16);
  for (QWidget* widget : {static_cast<QWidget*>(lblFind), static_cast<QWidget*>(edtFind),
                          static_cast<QWidget*>(btnFindNext), static_cast<QWidget*>(btnFindPrevious),
                          static_cast<QWidget*>(lblFindState)})
    findLayout->addWidget(widget);
  findLayout->addStretch(1);
  findLayout->addWidget(lblStatus);

  connect(edtFilter, &QLineEdit::textChanged, this, [this](const QString& filter) { setFilterText(filter); });
  connect(edtFind, &QLineEdit::textEdited, this, [this] {
    // Typing searches from the current cell, which may itself match.
    const TableSearch search(platform::toUtf8(edtFind->text()));
    grid_.tableModel()->setHighlight(search);
    const QModelIndex current = grid_.currentIndex();
    if (current.isValid() && search.cellContains(table_, grid_.tableModel()->dates(), current.column(), grid_.currentTableRow())) {
      lblFindState->clear();
      return;
    }
    findNext();
  });
  connect(edtFind, &QLineEdit::returnPressed, this, [this] {
    findNext(QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
  });
  connect(btnFindNext, &QPushButton::clicked, this, [this] { findNext(false); });
  connect(btnFindPrevious, &QPushButton::clicked, this, [this] { findNext(true); });
  setTabOrder(edtFilter, edtFind);
  setTabOrder(edtFind, btnFindNext);
  setTabOrder(btnFindNext, btnFindPrevious);
}

void FindBar::showFind() {
  edtFind->setFocus();
  edtFind->selectAll();
  if (!edtFind->text().isEmpty()) grid_.tableModel()->setHighlight(TableSearch(platform::toUtf8(edtFind->text())));
}

void FindBar::leaveFind() {
  grid_.tableModel()->setHighlight(std::nullopt);
  grid_.setFocus();
}

void FindBar::clearFind() {
  edtFind->clear();
  lblFindState->clear();
  grid_.tableModel()->setHighlight(std::nullopt);
}

bool FindBar::findNext(bool backward) {
  if (edtFind->text().isEmpty()) {
    showFind();
    return false;
  }
  const TableSearch search(platform::toUtf8(edtFind->text()));
  ResultTableModel* model = grid_.tableModel();
  std::vector<int> rows;
  if (model->filtered()) {
    rows = model->shownRows();
  } else {
    rows.resize(static_cast<size_t>(model->rowCount()));
    for (size_t r = 0; r < rows.size(); ++r) rows[r] = static_cast<int>(r) + 1;
  }
  const std::vector<int> columns = grid_.shownColumns();
  const QModelIndex current = grid_.currentIndex();
  ShownCell from{current.isValid() ? current.row() : 0, 0};
  if (current.isValid()) {
    const int visual = grid_.horizontalHeader()->visualIndex(current.column());
    for (size_t i = 0; i < columns.size(); ++i)
      if (grid_.horizontalHeader()->visualIndex(columns[i]) <= visual) from.column = static_cast<int>(i);
  }
  std::optional<ShownCell> found;
  {
    platform::BusyCursor busy;
    found = findCell(table_, grid_.tableModel()->dates(), search, rows, columns, from, backward);
  }
  model->setHighlight(search);
  if (!found) {
    lblFindState->setText(text("NotFound", "Nicht gefunden"));
    return false;
  }
  lblFindState->clear();
  grid_.setCurrentCell(columns[static_cast<size_t>(found->column)], rows[static_cast<size_t>(found->row)]);
  return true;
}

void FindBar::setFilterText(const QString& filter) {
  if (edtFilter->text() != filter) {
    const QSignalBlocker quiet(edtFilter);
    edtFilter->setText(filter);
  }
  // A longer text can only narrow what the shorter one left.
  const bool narrow = !appliedFilter_.isEmpty() && filter.startsWith(appliedFilter_);
  appliedFilter_ = filter;
  reapplyFilter(narrow);
}

void FindBar::reapplyFilter(bool narrowOnly) {
  ResultTableModel* model = grid_.tableModel();
  const int column = std::max(grid_.currentColumn(), 0);
  const int row = grid_.currentTableRow();
  if (appliedFilter_.isEmpty()) {
    if (model->filtered()) model->setShownRows(std::nullopt);
  } else {
    platform::BusyCursor busy;
    const TableSearch search(platform::toUtf8(appliedFilter_));
    model->setShownRows(narrowOnly && model->filtered()
                            ? filterRows(table_, model->dates(), search, model->shownRows())
                            : filterRows(table_, model->dates(), search));
  }
  emit filterApplied();
  lblFilterCount->setText(model->filtered() ? text("FilterCount", "%1 von %2")
                                                  .arg(model->rowCount())
                                                  .arg(std::max(table_.rowCount() - 1, 0))
                                            : QString());
  if (row >= 1 && model->viewRow(row) >= 0)
    grid_.setCurrentCell(column, row);
  else if (model->rowCount() > 0)
    grid_.setCurrentCell(column, model->tableRow(0));
}

}  // namespace rowsmith
