#include "ui/resultgrid.h"

#include <gtest/gtest.h>

#include "support/testsupport.h"

namespace rowsmith {
namespace {

TEST(ResultTableModel, ShowsTheTableWithRowZeroAsHeaderNotesWholeInTooltipsAndFindHits) {
  StringTable table = test::tableOf(3, {{"Name :", "Ort :", "Bemerkungen :"},
                                        {"Müller € Łódź", "Köln", "eins\r\nzwei\ndrei"},
                                        {"Weiß"},
                                        {"Koch", "Bonn"}});
  ResultTableModel model(table);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Ort :");
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), QString::fromUtf8("Müller € Łódź"));

  model.setTableCell(1, 1, "");
  EXPECT_EQ(table.cell(1, 1), "");
  model.setTableCell(1, 0, "");  // the header row is not a cell of the grid
  EXPECT_EQ(table.cell(1, 0), "Ort :");

  // A note shows its line breaks as marks, and whole in its tooltip.
  const QModelIndex note = model.index(0, 2);
  EXPECT_EQ(model.data(note).toString(), QString::fromUtf8("eins↵zwei↵drei"));
  EXPECT_EQ(model.data(note, Qt::ToolTipRole).toString(), "eins\r\nzwei\ndrei");
  EXPECT_FALSE(model.data(model.index(1, 2), Qt::ToolTipRole).isValid());  // empty cell

  // Find colours the matching cells.
  model.setHighlight(TableSearch("O"));
  EXPECT_TRUE(model.data(model.index(2, 1), Qt::BackgroundRole).isValid());   // "Bonn"
  EXPECT_FALSE(model.data(model.index(1, 0), Qt::BackgroundRole).isValid());  // "Weiß"
}

// A cell of one letter and 256,000 combining marks took seconds of text
// shaping at each repaint; the grid and the tooltip show a bounded prefix
// and the length.
TEST(ResultTableModel, AHugeCellIsShownAsABoundedPrefixWithItsLength) {
  std::string huge = "a";
  for (int i = 0; i < 256000; ++i) huge += "\xCC\x81";  // U+0301
  StringTable table = test::tableOf(1, {{"Bemerkungen :"}, {huge}});
  ResultTableModel model(table);
  for (int role : {int(Qt::DisplayRole), int(Qt::ToolTipRole)}) {
    const QString shown = model.data(model.index(0, 0), role).toString();
    EXPECT_EQ(shown.left(kMaxShownCellChars + 1), QString::fromUtf8(huge.substr(0, 2 * kMaxShownCellChars - 1)) + QChar(0x2026));
    EXPECT_TRUE(shown.size() < kMaxShownCellChars + 40 && shown.right(30).contains("256001")) << shown.right(30).toStdString();
  }
}

}  // namespace
}  // namespace rowsmith
