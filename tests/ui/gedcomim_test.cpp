#include "ui/gedcomim.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <set>

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLocale>
#include <QMimeData>
#include <QUrl>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

#include "ui/savetoform.h"
#include "import/importrun.h"
#include "kernel/dates.h"
#include "kernel/folders.h"
#include "nls/nlssupport.h"
#include "ui/toolswerbungform.h"
#include "support/testsupport.h"
#include "platform/platform.h"
#include "ui/resultgrid.h"

namespace rowsmith {
namespace {

using Cells = std::vector<std::string>;


std::string exampleGedcom() { return std::string(ROWSMITH_SOURCE_DIR) + "/examples/familie.ged"; }

// Every test gets its own program folder and sees the plain message box's texts.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ROWSMITH_HOME", home.path().c_str(), 1);
    previousHandler = platform::setPlainMessageHandler([this](const std::string& text) { messages.push_back(text); });
  }
  void TearDown() override {
    platform::setPlainMessageHandler(previousHandler);
    unsetenv("ROWSMITH_HOME");
  }

  std::unique_ptr<TfrmGedComIm> openWindow(const std::string& gedcom = "") {
    auto window = std::make_unique<TfrmGedComIm>();
    window->setShiftState([this] { return shift; });
    if (!gedcom.empty()) window->setFileChooser([gedcom](QFileDialog&) { return QString::fromStdString(gedcom); });
    window->show();
    QApplication::processEvents();
    return window;
  }

  // The given rows below the headers, shown in the grid, sort state reset.
  static void fill(TfrmGedComIm& window, const std::vector<Cells>& rows) {
    ResultTableModel* model = window.SGrid->tableModel();
    model->beginTableChange();
    StringTable& table = window.resultTable();
    table.setRowCount(1);
    table.setRowCount(static_cast<int>(rows.size()) + 1);
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c) table.setCell(static_cast<int>(c), static_cast<int>(r) + 1, rows[r][c]);
    model->endTableChange();
    window.SGrid->setCurrentCell(0, 1);
    window.resetSortState();
  }

  static Cells column(TfrmGedComIm& window, int c) {
    Cells cells;
    for (int r = 1; r < window.resultTable().rowCount(); ++r) cells.emplace_back(window.resultTable().cell(c, r));
    return cells;
  }

  static void sendMouse(QWidget* target, QEvent::Type type, QPoint point) {
    QMouseEvent event(type, QPointF(point), QPointF(target->mapToGlobal(point)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }

  // A point in the header over a column, at the given fraction of its width.
  static QPoint headerPoint(TfrmGedComIm& window, int column, double fraction = 0.5) {
    QHeaderView* header = window.SGrid->horizontalHeader();
    return QPoint(header->sectionViewportPosition(column) + static_cast<int>(header->sectionSize(column) * fraction),
                  header->height() / 2);
  }

  void clickHeader(TfrmGedComIm& window, int column, bool withShift = false) {
    shift = withShift;
    QWidget* area = window.SGrid->horizontalHeader()->viewport();
    sendMouse(area, QEvent::MouseButtonPress, headerPoint(window, column));
    sendMouse(area, QEvent::MouseButtonRelease, headerPoint(window, column));
    shift = false;
  }

  static QColor headerPixel(TfrmGedComIm& window, int column) {
    QHeaderView* header = window.SGrid->horizontalHeader();
    QImage image = header->viewport()->grab().toImage();
    return image.pixelColor(header->sectionViewportPosition(column) + header->sectionSize(column) - 5,
                            header->height() - 4);
  }

  // Runs `action`, answering the first modal dialog of type D with `answer`; returns how many were shown.
  template <class D>
  static int answerModal(const std::function<void()>& action, const std::function<void(D&)>& answer) {
    int shown = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
        ++shown;
        answer(*dialog);
      }
    });
    closer.start(10);
    action();
    return shown;
  }

  test::TempDir home;
  std::vector<std::string> messages;
  platform::PlainMessageHandler previousHandler;
  bool shift = false;
};

TEST_F(MainWindowTest, StartsWithFoldersLanguageHeadersAndWelcomeText) {
  const std::pair<const char*, int> cases[] = {
      {nullptr, 49},  // no DEFAULTS.INI
      {"[Language]\r\nMain=English\r\nID=44\r\n", 44},
      {"[language]\r\nmain=1\r\n", -1},
      {"[Language]\r\nMain=x\r\nID=zwei\r\n", -1},
      {"[Language]\r\nMain=\r\nID=44\r\n", 49},
  };
  for (const auto& [defaults, language] : cases) {
    test::TempDir folder;
    setenv("ROWSMITH_HOME", folder.path().c_str(), 1);
    if (defaults) {
      ASSERT_TRUE(forceDirectories(folder.path() + "Quillmere/Sysdata/"));
      test::writeFileBytes(folder.path() + "Quillmere/Sysdata/DEFAULTS.INI", defaults);
    }
    NLS().SetLanguage(12345);
    auto window = openWindow();
    EXPECT_EQ(NLS().language(), language) << (defaults ? defaults : "no file");
    EXPECT_TRUE(test::fileExists(folder.path() + "NLS"));
    EXPECT_TRUE(test::fileExists(folder.path() + "Quillmere/Sysdata"));
  }

  auto window = openWindow();
  const StringTable& table = window->resultTable();
  ASSERT_EQ(table.columnCount(), 39);
  EXPECT_EQ(table.rowCount(), 2);
  EXPECT_EQ(table.cell(38, 0), ResultHeaders()[38]);
  EXPECT_EQ(window->SGrid->model()->rowCount(), 1);
  EXPECT_TRUE(window->rbtWesternDate->isChecked());
}

TEST_F(MainWindowTest, HeaderClickSortsAndTogglesDirection) {
  auto window = openWindow();
  fill(*window, {{"10", "b"}, {"9", "A"}, {"100", "c"}});
  clickHeader(*window, 0);
  EXPECT_EQ(column(*window, 0), (Cells{"9", "10", "100"}));
  EXPECT_FALSE(window->MultiSort);
  const QColor face = window->palette().color(QPalette::Button);
  EXPECT_NE(headerPixel(*window, 0), face);
  EXPECT_EQ(headerPixel(*window, 1), face);
  clickHeader(*window, 0);
  EXPECT_EQ(column(*window, 0), (Cells{"100", "10", "9"}));
  clickHeader(*window, 1);  // another column starts ascending, case ignored
  EXPECT_EQ(column(*window, 1), (Cells{"A", "b", "c"}));
  EXPECT_NE(headerPixel(*window, 1), face);
  EXPECT_EQ(headerPixel(*window, 0), face);

  // Column 0 holds IDs, column 5 birth dates.
  const std::tuple<int, Cells, Cells> cases[] = {
      // An empty cell neither decides nor blocks: numbers stay numbers.
      {0, {"2941", "294", "", "2939"}, {"", "294", "2939", "2941"}},
      {0, {"10", "9", "", "100", "x"}, {"", "10", "100", "9", "x"}},
      // Dates in both display forms, partial ones among them.
      {5, {"02.02.1876", "", "1884", "12.01.1850"}, {"", "12.01.1850", "02.02.1876", "1884"}},
      {5, {"19000102", "1849", "18500201"}, {"1849", "18500201", "19000102"}},
  };
  for (const auto& [sortColumn, cells, sorted] : cases) {
    std::vector<Cells> rows;
    for (const std::string& cell : cells) {
      rows.push_back(Cells(6));
      rows.back()[static_cast<size_t>(sortColumn)] = cell;
    }
    fill(*window, rows);
    clickHeader(*window, sortColumn);
    EXPECT_EQ(column(*window, sortColumn), sorted);
  }
}

TEST_F(MainWindowTest, ShiftClicksBuildUpToFiveKeysNewestFirst) {
  auto window = openWindow();
  // Columns 2 (given name) and 3 (surname).
  fill(*window, {{"1", "", "Karl", "Weber"}, {"2", "", "anna", "Weber"}, {"3", "", "Karl", "Abel"},
                 {"4", "", "Anna", "Abel"}});
  clickHeader(*window, 3, true);
  clickHeader(*window, 2, true);
  EXPECT_EQ(column(*window, 0), (Cells{"4", "2", "3", "1"}));
  EXPECT_TRUE(window->MultiSort);
  EXPECT_NE(headerPixel(*window, 2), headerPixel(*window, 3));
  clickHeader(*window, 2, true);  // key 1 again: same keys, other direction
  EXPECT_EQ(window->SortKeyCount, 1);
  EXPECT_EQ(column(*window, 0), (Cells{"1", "3", "2", "4"}));

  // After a plain click on A, a Shift-click on B sorts by B, then A.
  clickHeader(*window, 2);
  clickHeader(*window, 3, true);
  EXPECT_EQ(column(*window, 0), (Cells{"4", "3", "2", "1"}));

  // Four more keys: the oldest drops out, five headers keep five colours.
  for (int c : {4, 5, 6, 7}) clickHeader(*window, c, true);
  EXPECT_EQ(std::vector<int>(window->SortKeys.begin(), window->SortKeys.end()), (std::vector<int>{7, 6, 5, 4, 3}));
  const QColor face = window->palette().color(QPalette::Button);
  std::set<QRgb> colours{face.rgb()};
  for (int c = 3; c <= 7; ++c) colours.insert(headerPixel(*window, c).rgb());
  EXPECT_EQ(colours.size(), 6u);
  EXPECT_EQ(headerPixel(*window, 2), face);
  // The tooltip names the place among the keys.
  EXPECT_EQ(window->SGrid->model()->headerData(5, Qt::Horizontal, Qt::ToolTipRole).toString(),
            platform::fromUtf8("Sortierschlüssel 3 von 5, aufsteigend"));
}

TEST_F(MainWindowTest, ClicksNearABorderOrAcrossColumnsDoNotSort) {
  auto window = openWindow();
  QWidget* header = window->SGrid->horizontalHeader()->viewport();
  QWidget* cells = window->SGrid->viewport();
  const QPoint cellOfColumn0(headerPoint(*window, 0).x(), 5);
  const struct {
    QWidget *pressArea, *releaseArea;
    QPoint press, release;
    bool sorts;
  } cases[] = {
      {header, header, headerPoint(*window, 0), headerPoint(*window, 1), false},
      {header, header, headerPoint(*window, 0, 0.05), headerPoint(*window, 0, 0.05), false},
      {header, header, headerPoint(*window, 0, 0.95), headerPoint(*window, 0, 0.95), false},
      {header, cells, headerPoint(*window, 0), cellOfColumn0, false},
      {cells, header, cellOfColumn0, headerPoint(*window, 0), true},
      {header, header, headerPoint(*window, 0, 0.15), headerPoint(*window, 0, 0.85), true},
  };
  for (const auto& c : cases) {
    fill(*window, {{"2", "b"}, {"1", "a"}});
    sendMouse(c.pressArea, QEvent::MouseButtonPress, c.press);
    sendMouse(c.releaseArea, QEvent::MouseButtonRelease, c.release);
    EXPECT_EQ(column(*window, 0)[0], c.sorts ? "1" : "2");
    EXPECT_EQ(window->SortCol, c.sorts ? 0 : -1);
  }
}

TEST_F(MainWindowTest, SortKeepsTheSelectedRowAndDeleteClearsTheCell) {
  auto window = openWindow();
  fill(*window, {{"c", "3"}, {"a", "1"}, {"b", "2"}});
  window->SGrid->setCurrentCell(1, 1);  // row "c"
  clickHeader(*window, 0);
  EXPECT_EQ(window->SGrid->currentTableRow(), 3);
  EXPECT_EQ(window->SGrid->currentColumn(), 1);
  for (const auto& [modifiers, clears] : {std::pair{Qt::ShiftModifier, false}, {Qt::ControlModifier, false},
                                          {Qt::AltModifier, false}, {Qt::NoModifier, true}}) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, modifiers);
    QApplication::sendEvent(window->SGrid, &press);
    EXPECT_EQ(window->resultTable().cell(1, 3), clears ? "" : "3");
  }
  EXPECT_EQ(window->resultTable().cell(0, 3), "c");
  EXPECT_EQ(window->resultTable().rowCount(), 4);
}

TEST_F(MainWindowTest, GoImportsTheChosenFileAndASecondImportStartsClean) {
  if (test::gedcomTestdataDir().empty()) GTEST_SKIP() << "no test data";
  const std::string second = test::gedcomTestdataDir() + "/familysearch/remarriage1.ged";
  StringTable reference(0);  // the second file imported into a fresh window
  {
    auto fresh = openWindow(second);
    fresh->btnGoClick();
    reference = fresh->resultTable();
  }
  messages.clear();

  auto window = openWindow();
  std::vector<QString> folders;
  QString next = QString::fromStdString(exampleGedcom());
  window->setFileChooser([&](QFileDialog& dialog) {
    folders.push_back(dialog.directory().absolutePath());
    return next;
  });
  window->btnGoClick();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(std::regex_match(messages[0], std::regex("[1-9][0-9]* Personen importiert!")));
  EXPECT_EQ(window->SGrid->model()->rowCount(), window->resultTable().rowCount() - 1);
  EXPECT_GT(window->SGrid->model()->rowCount(), 1);

  auto expectTable = [&](const StringTable& expected) {
    ASSERT_EQ(window->resultTable().rowCount(), expected.rowCount());
    for (int r = 0; r < expected.rowCount(); ++r)
      for (int c = 0; c < 39; ++c) ASSERT_EQ(window->resultTable().cell(c, r), expected.cell(c, r)) << r << "," << c;
  };
  // Cancel keeps the table and its sort.
  clickHeader(*window, 3, true);
  const StringTable sorted = window->resultTable();
  next.clear();
  window->btnGoClick();
  EXPECT_EQ(window->SortKeyCount, 0);
  expectTable(sorted);

  next = QString::fromStdString(second);
  window->btnGoClick();
  EXPECT_EQ(window->SortKeyCount, -1);
  EXPECT_EQ(window->SortCol, -1);
  EXPECT_EQ(headerPixel(*window, 3), window->palette().color(QPalette::Button));
  expectTable(reference);

  // First the program's folder, then the folder of the last chosen file.
  ASSERT_EQ(folders.size(), 3u);
  EXPECT_EQ(folders[0] + "/", QString::fromStdString(executableFolder()));
  EXPECT_EQ(folders[1], QString::fromStdString(std::string(ROWSMITH_SOURCE_DIR) + "/examples"));
  EXPECT_EQ(folders[2], folders[1]);
}

TEST_F(MainWindowTest, TheDateFormSwitchRendersTheShownTableKeepingSortAndRow) {
  auto window = openWindow(exampleGedcom());
  window->btnGoClick();
  clickHeader(*window, 3);
  window->SGrid->setCurrentCell(2, 3);
  const StringTable western = window->resultTable();
  messages.clear();
  window->rbtUnixDate->setChecked(true);
  const StringTable& stored = window->resultTable();
  ASSERT_EQ(stored.rowCount(), western.rowCount());
  int changed = 0;
  for (int r = 1; r < stored.rowCount(); ++r)
    for (int c = 0; c < kResultColumns; ++c) {
      const bool date = c == 18 || ((c % 21) >= 5 && (c % 21) <= 11 && (c % 21) % 2 == 1);
      const std::string_view now = stored.cell(c, r);
      EXPECT_EQ(western.cell(c, r), date ? DateForDisplay(now, true) : std::string(now)) << r << "," << c;
      changed += western.cell(c, r) != now;
    }
  EXPECT_GT(changed, 0);
  EXPECT_EQ(window->SortKeys[0], 3);
  EXPECT_EQ(window->SGrid->currentTableRow(), 3);
  EXPECT_EQ(window->SGrid->currentColumn(), 2);
  EXPECT_TRUE(messages.empty());  // no count message for the same file again

  // A file gone since keeps the table and the buttons in its form.
  const std::string gone = home.file("weg.ged");
  test::writeFileBytes(gone, test::readFileBytes(exampleGedcom()));
  ASSERT_TRUE(window->importFile(QString::fromStdString(gone)));
  std::remove(gone.c_str());
  const StringTable before = window->resultTable();
  window->rbtWesternDate->setChecked(true);
  EXPECT_TRUE(window->rbtUnixDate->isChecked());
  EXPECT_EQ(window->resultTable().cell(5, 1), before.cell(5, 1));
}

TEST_F(MainWindowTest, AFileDroppedOnTheWindowIsImportedAndRemembered) {
  auto window = openWindow();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(exampleGedcom()))});
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  QApplication::processEvents();  // the import follows the drop
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_GT(window->resultTable().rowCount(), 2);

  // Newest first, each file once, at most eight.
  for (int i = 0; i < 9; ++i) {
    const std::string copy = home.file("f" + std::to_string(i) + ".ged");
    test::writeFileBytes(copy, test::readFileBytes(exampleGedcom()));
    window->importFile(QString::fromStdString(copy));
  }
  window->importFile(QString::fromStdString(home.file("f5.ged")));
  const QStringList recent = window->recentFiles();
  ASSERT_EQ(recent.size(), kRecentFiles);
  EXPECT_EQ(recent.at(0), QString::fromStdString(home.file("f5.ged")));
  EXPECT_EQ(recent.at(1), QString::fromStdString(home.file("f8.ged")));
  EXPECT_EQ(recent.count(QString::fromStdString(home.file("f5.ged"))), 1);
}

TEST_F(MainWindowTest, TheFilterNarrowsTheGridAndTheExportFindGoesThroughWhatIsShown) {
  auto window = openWindow();
  fill(*window, {{"1", "Anna Koch", "", "", "", "", "Bonn"}, {"2", "Karl Weber"}, {"3", "Maria Koch"}});
  const auto shownIds = [&] {
    Cells ids;
    for (int r = 0; r < window->SGrid->model()->rowCount(); ++r)
      ids.push_back(window->SGrid->model()->index(r, 0).data().toString().toStdString());
    return ids;
  };
  window->setFilterText("KOCH");
  EXPECT_EQ(shownIds(), (Cells{"1", "3"}));
  EXPECT_EQ(window->lblFilterCount->text(), "2 von 3");
  EXPECT_EQ(window->makeExportTable().table.rowCount(), 3);
  window->setFilterText("koch m");
  EXPECT_EQ(shownIds(), Cells{});
  window->setFilterText("");
  EXPECT_EQ(shownIds(), (Cells{"1", "2", "3"}));
  window->setFilterText("koch");
  clickHeader(*window, 0);  // descending after a second click; the filter stays
  clickHeader(*window, 0);
  EXPECT_EQ(shownIds(), (Cells{"3", "1"}));

  window->showFindBar();
  window->edtFind->setText("o");
  window->SGrid->setCurrentCell(0, 1);  // "3", sorted to the top
  const std::pair<bool, std::pair<int, int>> steps[] = {
      {false, {1, 1}}, {false, {1, 3}}, {false, {6, 3}}, {false, {1, 1}}, {true, {6, 3}}};
  for (const auto& [backward, cell] : steps) {
    EXPECT_TRUE(window->findNext(backward));
    EXPECT_EQ(std::pair(window->SGrid->currentColumn(), window->SGrid->currentTableRow()), cell);
  }
  window->edtFind->setText("weber");  // filtered out
  EXPECT_FALSE(window->findNext());
}

TEST_F(MainWindowTest, CtrlCCopiesTheSelectedRangeInTheShownColumnOrder) {
  auto window = openWindow();
  fill(*window, {{"1", "Anna", "eins\r\nzwei"}, {"2", "Karl", "drei"}, {"3", "Maria"}});
  QHeaderView* header = window->SGrid->horizontalHeader();
  header->moveSection(2, 1);  // notes before names
  QAbstractItemModel* model = window->SGrid->model();
  window->SGrid->selectionModel()->select(QItemSelection(model->index(0, 2), model->index(1, 1)),
                                          QItemSelectionModel::ClearAndSelect);
  QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
  QApplication::sendEvent(window->SGrid, &copy);
  EXPECT_EQ(QApplication::clipboard()->text(), "\"eins\nzwei\"\tAnna\ndrei\tKarl\n");

  window->SGrid->selectAll();
  QApplication::sendEvent(window->SGrid, &copy);
  const QString all = QApplication::clipboard()->text();
  EXPECT_TRUE(all.startsWith("1\t\"eins\nzwei\"\tAnna\t")) << all.toStdString();
  EXPECT_EQ(all.count('\t'), 3 * (kResultColumns - 1));
}

TEST_F(MainWindowTest, WithoutAChosenLanguageTheLocaleDecidesAndTheWindowIsTranslated) {
  if (QLocale::system().name().startsWith("de")) GTEST_SKIP() << "a German locale chooses German";
  ASSERT_TRUE(forceDirectories(home.path() + "NLS/"));
  test::writeFileBytes(home.path() + "NLS/NLS.44",
                       "[frmGedComIm]\r\nbtnGo=&Start\r\n[Headers]\r\nBirthDate=Born :\r\n");
  auto window = openWindow();
  EXPECT_EQ(NLS().language(), 44);
  EXPECT_EQ(window->btnGo->text(), "&Start");
  EXPECT_EQ(window->resultTable().cell(5, 0), "Born :");
  EXPECT_EQ(window->resultTable().cell(6, 0), "Geburtsort :");  // not yet translated: the default
}

TEST_F(MainWindowTest, AFileThatGivesNoTableIsNamedAndTheShownTableStays) {
  const std::string notGedcom = home.file("liste.ged");
  test::writeFileBytes(notGedcom, "Name;Vorname\r\nMüller;Anna\r\n");
  const std::string noPersons = home.file("leer.ged");
  test::writeFileBytes(noPersons, "0 HEAD\r\n1 CHAR ANSI\r\n0 @F1@ FAM\r\n0 TRLR\r\n");
  const std::pair<std::string, std::string> cases[] = {
      {notGedcom, notGedcom + " ist keine GEDCOM-Datei"},
      {noPersons, noPersons + " enthält keine Personen"},
      {home.file("fehlt.ged"), "Datei nicht gefunden"},
  };
  for (const auto& [file, message] : cases) {
    auto window = openWindow(file);
    fill(*window, {{"1", "alt"}});
    messages.clear();
    window->btnGoClick();
    EXPECT_EQ(messages, std::vector<std::string>{message});
    ASSERT_EQ(window->resultTable().rowCount(), 2);
    EXPECT_EQ(window->resultTable().cell(1, 1), "alt");
  }
}

TEST_F(MainWindowTest, ExportTableIsANumberedCopyInTheShownColumnOrder) {
  auto window = openWindow();
  ExportTable start = window->makeExportTable();
  EXPECT_EQ(start.table.columnCount(), 40);
  EXPECT_EQ(start.table.rowCount(), 2);
  EXPECT_EQ(start.table.cell(0, 1), "1");
  EXPECT_EQ(start.table.cell(1, 0), "ID :");

  fill(*window, {{"7", "Anna"}, {"8", "Karl"}});
  QHeaderView* header = window->SGrid->horizontalHeader();
  header->moveSection(header->visualIndex(1), 0);  // "Name :" first
  header->resizeSection(2, 0);
  header->hideSection(3);
  clickHeader(*window, 1);  // a sort keeps the moved columns
  ExportTable moved = window->makeExportTable();
  EXPECT_EQ(moved.table.cell(1, 0), "Name :");
  EXPECT_EQ(moved.table.cell(2, 0), "ID :");
  EXPECT_EQ(moved.table.cell(1, 2), "Karl");
  EXPECT_EQ(moved.table.cell(2, 2), "8");
  EXPECT_EQ(moved.table.cell(0, 2), "2");
  EXPECT_EQ(moved.columnWidths, [] {
    std::vector<int> widths(40, kExportColumnWidth);
    widths[3] = widths[4] = 0;
    return widths;
  }());
}

TEST_F(MainWindowTest, ExportAndCloseShowTheirDialogs) {
  auto window = openWindow();
  window->SGrid->horizontalHeader()->hideSection(4);
  int previewColumns = 0, listed = 0;
  EXPECT_EQ(answerModal<TfrmSaveToForm>([&] { window->btnClientClientExport->click(); },
                                        [&](TfrmSaveToForm& dialog) {
                                          previewColumns = dialog.preview()->columnCount();
                                          listed = dialog.columnList()->count();
                                          dialog.done(QDialog::Rejected);
                                        }),
            1);
  EXPECT_EQ(previewColumns, 40);
  EXPECT_EQ(listed, 39);  // "Rowcount" and 38 columns; the hidden one is not offered
  EXPECT_EQ(window->saveToForm()->previewWidth(5), 0);

  EXPECT_EQ(answerModal<TfrmToolsWerbungForm>([&] { EXPECT_TRUE(window->close()); },
                                              [](TfrmToolsWerbungForm& dialog) { dialog.accept(); }),
            1);
}

}  // namespace
}  // namespace rowsmith
