#pragma once
// One row of the result table in full: the left person, the marriage and
// the right person, each value with its header, notes with every line.
#include <QDialog>

#include "kernel/datecells.h"
#include "kernel/stringtable.h"

namespace rowsmith {

class TfrmRowDetails : public QDialog {
  Q_OBJECT
 public:
  TfrmRowDetails(const StringTable& table, const DateCells& dates, int row, QWidget* parent = nullptr);
  // The text shown for one part of the row, "header value" lines, for
  // tests and screenshots: 0 left person, 1 marriage, 2 right person.
  QString partText(int part) const;

 private:
  QString parts_[3];
};

}  // namespace rowsmith
