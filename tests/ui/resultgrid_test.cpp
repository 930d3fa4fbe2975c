#include "ui/resultgrid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

namespace rowsmith {
namespace {

StringTable smallTable() {
  StringTable table(3);
  table.setRowCount(3);
  table.setCell(0, 0, "Name :");
  table.setCell(1, 0, "Ort :");
  table.setCell(2, 0, "Bemerkungen :");
  table.setCell(0, 1, "Müller €");  // UTF-8 inside
  table.setCell(1, 1, "Köln");
  table.setCell(2, 1, "eins\r\nzwei");
  table.setCell(0, 2, "Weiß");
  return table;
}

TEST(ResultTableModel, ShowsTheTableWithRowZeroAsHeader) {
  StringTable table = smallTable();
  ResultTableModel model(table);
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.columnCount(), 3);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Ort :");
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), QString::fromUtf8("Müller €"));
  EXPECT_EQ(model.data(model.index(1, 0)).toString(), QString::fromUtf8("Weiß"));
  EXPECT_EQ(model.data(model.index(0, 2), Qt::ToolTipRole).toString(), "eins\r\nzwei");
  EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::ToolTipRole).toString(), "Bemerkungen :");
  EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
  EXPECT_FALSE(model.setData(model.index(0, 0), "x"));

  model.setTableCell(1, 1, "");
  EXPECT_EQ(table.cell(1, 1), "");
  model.setTableCell(1, 0, "");  // the header row is not a cell of the grid
  EXPECT_EQ(table.cell(1, 0), "Ort :");
}

TEST(ResultGrid, PaintsTheSelectedCellBoldWhiteOnBlueWithoutFocus) {
  StringTable table = smallTable();
  ResultGrid grid(table);
  grid.resize(400, 200);
  grid.show();
  QApplication::processEvents();
  grid.setCurrentCell(1, 2);
  EXPECT_EQ(grid.currentTableRow(), 2);
  EXPECT_EQ(grid.currentColumn(), 1);
  grid.clearFocus();
  QImage image = grid.viewport()->grab().toImage();
  QRect selected = grid.visualRect(grid.model()->index(1, 1));
  QRect other = grid.visualRect(grid.model()->index(0, 1));
  EXPECT_EQ(image.pixelColor(selected.right() - 2, selected.bottom() - 1), kInactiveSelection);
  EXPECT_EQ(image.pixelColor(other.right() - 2, other.bottom() - 1), grid.palette().color(QPalette::Base));
  EXPECT_EQ(grid.rowHeight(0), kDefaultRowHeight);
}

}  // namespace
}  // namespace rowsmith
