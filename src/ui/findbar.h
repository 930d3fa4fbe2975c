#pragma once
// The bar between the grid and the buttons: the filter (only rows with a
// cell containing its text), the find field (the next or previous cell
// containing its text) and the status line at its right end.
#include <QFrame>
#include <QString>

#include "kernel/stringtable.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace rowsmith {

class ResultGrid;

class FindBar : public QFrame {
  Q_OBJECT
 public:
  FindBar(ResultGrid& grid, const StringTable& table, QWidget* parent);

  // Ctrl+F: the find field takes the focus, its matches are marked again.
  void showFind();
  // The next (or previous) shown cell containing the find text.
  bool findNext(bool backward = false);
  // Escape: the marks go, the grid takes the focus.
  void leaveFind();
  // A new file: what was searched in the one before means nothing in it.
  void clearFind();
  // Empty shows all rows.
  void setFilterText(const QString& text);
  // After the rows have changed; narrowOnly when only rows the filter shows now can stay.
  void reapplyFilter(bool narrowOnly = false);

  QLabel* lblFilter;
  QLineEdit* edtFilter;
  QLabel* lblFilterCount;  // "shown of all" while a filter is on
  QLabel* lblFind;
  QLineEdit* edtFind;
  QPushButton* btnFindNext;
  QPushButton* btnFindPrevious;
  QLabel* lblFindState;
  QLabel* lblStatus;

 signals:
  // The rows shown have changed.
  void filterApplied();

 private:
  ResultGrid& grid_;
  const StringTable& table_;
  QString appliedFilter_;
};

}  // namespace rowsmith
