#include "ui/gedcomim.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QListWidget>
#include <QTableWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTimer>

#include "export/savetoform.h"
#include "import/importrun.h"
#include "kernel/folders.h"
#include "nls/nlssupport.h"
#include "nls/toolswerbungform.h"
#include "testsupport.h"
#include "ui/platform.h"
#include "ui/resultgrid.h"

namespace rowsmith {
namespace {

using test::TempDir;

const QColor kRed(255, 0, 0);
const QColor kKey2(192, 64, 0);

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

  std::unique_ptr<TfrmGedComIm> openWindow() {
    auto window = std::make_unique<TfrmGedComIm>();
    window->setShiftState([this] { return shift; });
    window->show();
    QApplication::processEvents();
    return window;
  }

  // A table of the given rows below the headers, shown in the grid.
  static void fill(TfrmGedComIm& window, const std::vector<std::vector<std::string>>& rows) {
    ResultTableModel* model = window.SGrid->tableModel();
    model->beginTableChange();
    StringTable& table = window.resultTable();
    table.setRowCount(1);
    table.setRowCount(static_cast<int>(rows.size()) + 1);
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c) table.setCell(static_cast<int>(c), static_cast<int>(r) + 1, rows[r][c]);
    model->endTableChange();
    window.SGrid->setCurrentCell(0, 1);
  }

  static std::vector<std::string> column(TfrmGedComIm& window, int c) {
    std::vector<std::string> cells;
    for (int r = 1; r < window.resultTable().rowCount(); ++r) cells.emplace_back(window.resultTable().cell(c, r));
    return cells;
  }

  static void sendMouse(QWidget* target, QEvent::Type type, QPoint point) {
    QMouseEvent event(type, QPointF(point), QPointF(target->mapToGlobal(point)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }

  // A point in the header over a column, at the given fraction of its width.
  static QPoint headerPoint(TfrmGedComIm& window, int logicalColumn, double fraction = 0.5) {
    QHeaderView* header = window.SGrid->horizontalHeader();
    int x = header->sectionViewportPosition(logicalColumn) + static_cast<int>(header->sectionSize(logicalColumn) * fraction);
    return QPoint(x, header->height() / 2);
  }

  void clickHeader(TfrmGedComIm& window, int column, bool withShift = false, double fraction = 0.5) {
    shift = withShift;
    QWidget* area = window.SGrid->horizontalHeader()->viewport();
    sendMouse(area, QEvent::MouseButtonPress, headerPoint(window, column, fraction));
    sendMouse(area, QEvent::MouseButtonRelease, headerPoint(window, column, fraction));
    shift = false;
  }

  static QColor headerPixel(TfrmGedComIm& window, int column) {
    QHeaderView* header = window.SGrid->horizontalHeader();
    QImage image = header->viewport()->grab().toImage();
    int x = header->sectionViewportPosition(column) + header->sectionSize(column) - 5;
    return image.pixelColor(x, header->height() - 4);
  }

  TempDir home;
  std::vector<std::string> messages;
  platform::PlainMessageHandler previousHandler;
  bool shift = false;
};

TEST_F(MainWindowTest, StartsWithFoldersLanguageHeadersAndWelcomeText) {
  struct Case {
    const char* defaults;  // DEFAULTS.INI, or nullptr for none
    int language;
  };
  const Case cases[] = {
      {nullptr, 49},
      {"[Language]\r\nMain=English\r\nID=44\r\n", 44},
      {"[language]\r\nmain=1\r\n", -1},
      {"[Language]\r\nMain=x\r\nID=zwei\r\n", -1},
      {"[Language]\r\nMain=\r\nID=44\r\n", 49},
  };
  for (const Case& c : cases) {
    TempDir folder;
    setenv("ROWSMITH_HOME", folder.path().c_str(), 1);
    if (c.defaults) {
      ASSERT_TRUE(forceDirectories(folder.path() + "Quillmere/Sysdata/"));
      test::writeFileBytes(folder.path() + "Quillmere/Sysdata/DEFAULTS.INI", c.defaults);
    }
    NLS().SetLanguage(12345);
    auto window = openWindow();
    EXPECT_EQ(NLS().language(), c.language) << (c.defaults ? c.defaults : "no file");
    EXPECT_TRUE(test::fileExists(folder.path() + "NLS"));
    EXPECT_TRUE(test::fileExists(folder.path() + "Quillmere/Sysdata"));
  }

  auto window = openWindow();
  EXPECT_EQ(window->windowTitle(), "Rowsmith V1.0.3.7");
  const StringTable& table = window->resultTable();
  ASSERT_EQ(table.columnCount(), 39);
  EXPECT_EQ(table.rowCount(), 2);
  for (int c = 0; c < 39; ++c) {
    EXPECT_EQ(table.cell(c, 0), ResultHeaders()[c]);
    EXPECT_EQ(table.cell(c, 1), "");
    EXPECT_EQ(window->SGrid->horizontalHeader()->sectionSize(c), 96);
  }
  EXPECT_EQ(window->SGrid->model()->rowCount(), 1);
  EXPECT_EQ(window->SGrid->horizontalHeader()->sectionsMovable(), true);
  EXPECT_EQ(window->SGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(window->SGrid->selectionMode(), QAbstractItemView::SingleSelection);

  EXPECT_EQ(window->btnGo->text(), "Go!");
  EXPECT_EQ(window->btnClientClientExport->text(), "Export");
  EXPECT_TRUE(window->rbtWesternDate->isChecked());
  EXPECT_FALSE(window->rbtUnixDate->isChecked());
  EXPECT_EQ(window->rbtWesternDate->text(), "Datumsformat \"dd.mm.yyyy\" (21.01.1687)");
  EXPECT_EQ(window->rbtUnixDate->text(), "Datumsformat \"yyyymmdd\" (16870121)");
  for (const char* name : {"pnlButton", "btnGo", "btnClientClientExport", "rbtWesternDate", "rbtUnixDate",
                           "pnlClient", "pnlClientTop", "memClientTopTop", "splClient", "SGrid",
                           "GetComOpenDialog"})
    EXPECT_NE(window->findChild<QObject*>(name), nullptr) << name;

  const std::string& welcome = welcomeText();
  EXPECT_EQ(std::count(welcome.begin(), welcome.end(), '\n'), 6);
  EXPECT_NE(welcome.find("unten links). \r\n\r\nPartner"), std::string::npos);
  EXPECT_NE(welcome.find("der \"Schift\"-Taste erm\xF6glicht."), std::string::npos);
  QString shown = platform::fromCp1252(welcome);
  shown.replace("\r\n", "\n");
  EXPECT_EQ(window->memClientTopTop->toPlainText(), shown);
  EXPECT_TRUE(window->memClientTopTop->isReadOnly());

  EXPECT_EQ(window->SortCol, -1);
  EXPECT_EQ(window->SortKeyCount, -1);
  EXPECT_FALSE(window->MultiSort);
}

TEST_F(MainWindowTest, HeaderClickSortsAndTogglesDirection) {
  auto window = openWindow();
  fill(*window, {{"10", "b"}, {"9", "A"}, {"100", "c"}});
  clickHeader(*window, 0);
  EXPECT_EQ(column(*window, 0), (std::vector<std::string>{"9", "10", "100"}));
  EXPECT_EQ(window->SortCol, 0);
  EXPECT_FALSE(window->MultiSort);
  EXPECT_EQ(headerPixel(*window, 0), kRed);
  EXPECT_EQ(headerPixel(*window, 1), window->palette().color(QPalette::Button));

  clickHeader(*window, 0);
  EXPECT_EQ(column(*window, 0), (std::vector<std::string>{"100", "10", "9"}));
  EXPECT_TRUE(window->SortDescending);

  clickHeader(*window, 1);  // another column starts ascending, case ignored
  EXPECT_EQ(column(*window, 1), (std::vector<std::string>{"A", "b", "c"}));
  EXPECT_FALSE(window->SortDescending);
  EXPECT_EQ(headerPixel(*window, 1), kRed);
  EXPECT_NE(headerPixel(*window, 0), kRed);

  // One empty cell among the numbers makes the column text: 10 before 9.
  fill(*window, {{"10"}, {"9"}, {""}, {"100"}, {"x"}});
  window->resetSortState();
  clickHeader(*window, 0);
  EXPECT_EQ(column(*window, 0), (std::vector<std::string>{"", "10", "100", "9", "x"}));
}

TEST_F(MainWindowTest, ShiftClicksBuildUpToFiveKeysNewestFirst) {
  auto window = openWindow();
  // Columns 2 (given name) and 3 (surname).
  fill(*window, {{"1", "", "Karl", "Weber"}, {"2", "", "anna", "Weber"}, {"3", "", "Karl", "Abel"},
                 {"4", "", "Anna", "Abel"}});
  clickHeader(*window, 3, true);
  clickHeader(*window, 2, true);
  EXPECT_EQ(column(*window, 0), (std::vector<std::string>{"4", "2", "3", "1"}));
  EXPECT_TRUE(window->MultiSort);
  EXPECT_EQ(window->SortKeyCount, 1);
  EXPECT_EQ(headerPixel(*window, 2), kRed);
  EXPECT_EQ(headerPixel(*window, 3), kKey2);

  // Shift-click on key 1 again: same keys, other direction.
  clickHeader(*window, 2, true);
  EXPECT_EQ(window->SortKeyCount, 1);
  EXPECT_EQ(column(*window, 0), (std::vector<std::string>{"1", "3", "2", "4"}));

  // After a plain click on A, a Shift-click on B sorts by B, then A.
  clickHeader(*window, 2);
  clickHeader(*window, 3, true);
  EXPECT_EQ(window->SortKeys[0], 3);
  EXPECT_EQ(window->SortKeys[1], 2);
  EXPECT_EQ(column(*window, 0), (std::vector<std::string>{"4", "3", "2", "1"}));

  // Four more keys: the oldest drops out, five headers stay coloured.
  for (int c : {4, 5, 6, 7}) clickHeader(*window, c, true);
  EXPECT_EQ(window->SortKeyCount, 4);
  EXPECT_EQ(std::vector<int>(window->SortKeys.begin(), window->SortKeys.end()), (std::vector<int>{7, 6, 5, 4, 3}));
  const QColor colours[] = {kRed, kKey2, QColor(128, 128, 0), QColor(64, 192, 0), QColor(0, 255, 0)};
  const int keyColumns[] = {7, 6, 5, 4, 3};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(headerPixel(*window, keyColumns[k]), colours[k]) << k;
  EXPECT_EQ(headerPixel(*window, 2), window->palette().color(QPalette::Button));
}

TEST_F(MainWindowTest, ClicksNearABorderOrAcrossColumnsDoNotSort) {
  auto window = openWindow();
  fill(*window, {{"2", "b"}, {"1", "a"}});
  QWidget* header = window->SGrid->horizontalHeader()->viewport();
  QWidget* cells = window->SGrid->viewport();
  struct Case {
    QWidget* pressArea;
    QPoint press;
    QPoint release;
    bool sorts;
  };
  const QPoint cellOfColumn0(headerPoint(*window, 0).x(), 5);
  const Case cases[] = {
      {header, headerPoint(*window, 0), headerPoint(*window, 1), false},        // across columns
      {header, headerPoint(*window, 0, 0.05), headerPoint(*window, 0, 0.05), false},  // left border
      {header, headerPoint(*window, 0, 0.95), headerPoint(*window, 0, 0.95), false},  // right border
      {cells, cellOfColumn0, headerPoint(*window, 0), true},                    // down in a cell, same column
      {header, headerPoint(*window, 0, 0.15), headerPoint(*window, 0, 0.85), true},
  };
  for (const Case& c : cases) {
    fill(*window, {{"2", "b"}, {"1", "a"}});
    window->resetSortState();
    sendMouse(c.pressArea, QEvent::MouseButtonPress, c.press);
    sendMouse(header, QEvent::MouseButtonRelease, c.release);
    EXPECT_EQ(column(*window, 0)[0], c.sorts ? "1" : "2");
    EXPECT_EQ(window->SortCol, c.sorts ? 0 : -1);
    EXPECT_EQ(window->SortMouseDownCol, -1);
  }
  // A release in the cells never sorts.
  window->resetSortState();
  sendMouse(header, QEvent::MouseButtonPress, headerPoint(*window, 0));
  sendMouse(cells, QEvent::MouseButtonRelease, cellOfColumn0);
  EXPECT_EQ(window->SortCol, -1);
}

TEST_F(MainWindowTest, DatesSortInBothDisplayForms) {
  auto window = openWindow();
  fill(*window, {{"1", "", "", "", "", "02.01.1900"}, {"2", "", "", "", "", "31.12.1849"}, {"3", "", "", "", "", "01.02.1850"}});
  clickHeader(*window, 5);
  EXPECT_EQ(column(*window, 0), (std::vector<std::string>{"2", "3", "1"}));
  fill(*window, {{"1", "", "", "", "", "19000102"}, {"2", "", "", "", "", "18491231"}, {"3", "", "", "", "", "18500201"}});
  window->resetSortState();
  clickHeader(*window, 5);
  EXPECT_EQ(column(*window, 0), (std::vector<std::string>{"2", "3", "1"}));
}

TEST_F(MainWindowTest, SortKeepsTheSelectedRowAndDeleteClearsTheCell) {
  auto window = openWindow();
  fill(*window, {{"c", "3"}, {"a", "1"}, {"b", "2"}});
  window->SGrid->setCurrentCell(1, 1);  // row "c"
  clickHeader(*window, 0);
  EXPECT_EQ(window->SGrid->currentTableRow(), 3);
  EXPECT_EQ(window->SGrid->currentColumn(), 1);
  EXPECT_EQ(window->resultTable().cell(0, 3), "c");

  struct Case {
    Qt::KeyboardModifiers modifiers;
    bool clears;
  };
  for (const Case& c : {Case{Qt::ShiftModifier, false}, Case{Qt::ControlModifier, false},
                        Case{Qt::AltModifier, false}, Case{Qt::NoModifier, true}}) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, c.modifiers);
    QApplication::sendEvent(window->SGrid, &press);
    EXPECT_EQ(window->resultTable().cell(1, 3), c.clears ? "" : "3");
  }
  EXPECT_EQ(window->resultTable().cell(0, 3), "c");
  EXPECT_EQ(window->resultTable().rowCount(), 4);
}

TEST_F(MainWindowTest, GoImportsTheChosenFileAndASecondImportStartsClean) {
  std::string second = test::gedcomTestdataDir() + "/familysearch/remarriage1.ged";
  if (test::gedcomTestdataDir().empty()) GTEST_SKIP() << "no test data";

  // The reference: the second file imported into a fresh window.
  StringTable reference(0);
  {
    auto fresh = openWindow();
    fresh->setFileChooser([&](QFileDialog&) { return QString::fromStdString(second); });
    fresh->btnGoClick();
    reference = fresh->resultTable();
  }
  messages.clear();

  auto window = openWindow();
  std::vector<QString> folders;
  QStringList filters;
  QString next = QString::fromStdString(exampleGedcom());
  window->setFileChooser([&](QFileDialog& dialog) {
    folders.push_back(dialog.directory().absolutePath());
    filters = dialog.nameFilters();
    return next;
  });
  window->btnGoClick();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(std::regex_match(messages[0], std::regex("[1-9][0-9]* Personen importiert!")));
  EXPECT_EQ(filters, (QStringList{"GedCom Dateien (*.ged)", "Alle Dateien (*)"}));
  EXPECT_GT(window->SGrid->model()->rowCount(), 1);
  EXPECT_EQ(window->SGrid->model()->data(window->SGrid->model()->index(0, 0)).toString(),
            platform::fromCp1252(window->resultTable().cell(0, 1)));

  // Cancel keeps the table and its sort.
  clickHeader(*window, 3, true);
  StringTable sorted = window->resultTable();
  next.clear();
  window->btnGoClick();
  EXPECT_EQ(window->SortKeyCount, 0);
  EXPECT_EQ(window->SortKeys[0], 3);
  ASSERT_EQ(window->resultTable().rowCount(), sorted.rowCount());
  for (int r = 0; r < sorted.rowCount(); ++r)
    for (int c = 0; c < 39; ++c) ASSERT_EQ(window->resultTable().cell(c, r), sorted.cell(c, r));

  next = QString::fromStdString(second);
  window->btnGoClick();
  EXPECT_EQ(window->SortKeyCount, -1);
  EXPECT_EQ(window->SortCol, -1);
  EXPECT_TRUE(window->MultiSort);  // left as it was
  EXPECT_NE(headerPixel(*window, 3), kKey2);
  ASSERT_EQ(window->resultTable().rowCount(), reference.rowCount());
  for (int r = 0; r < reference.rowCount(); ++r)
    for (int c = 0; c < 39; ++c) EXPECT_EQ(window->resultTable().cell(c, r), reference.cell(c, r)) << r << "," << c;

  // First the program's folder, then the folder of the last chosen file.
  ASSERT_EQ(folders.size(), 3u);
  EXPECT_EQ(folders[0] + "/", QString::fromStdString(executableFolder()));
  EXPECT_EQ(folders[1], QString::fromStdString(std::string(ROWSMITH_SOURCE_DIR) + "/examples"));
  EXPECT_EQ(folders[2], folders[1]);
}

TEST_F(MainWindowTest, DateRadioButtonsChooseTheImportedForm) {
  auto window = openWindow();
  window->setFileChooser([&](QFileDialog&) { return QString::fromStdString(exampleGedcom()); });
  auto birthDates = [&] {
    std::vector<std::string> dates;
    for (int r = 1; r < window->resultTable().rowCount(); ++r)
      for (int c : {5, 26})
        if (!window->resultTable().cell(c, r).empty()) dates.emplace_back(window->resultTable().cell(c, r));
    return dates;
  };
  window->btnGoClick();
  std::vector<std::string> western = birthDates();
  window->rbtUnixDate->setChecked(true);
  EXPECT_FALSE(window->rbtWesternDate->isChecked());
  window->btnGoClick();
  std::vector<std::string> stored = birthDates();
  ASSERT_FALSE(western.empty());
  ASSERT_EQ(western.size(), stored.size());
  EXPECT_NE(western, stored);
  EXPECT_TRUE(std::any_of(western.begin(), western.end(), [](const std::string& d) { return d.find('.') != std::string::npos; }));
}

TEST_F(MainWindowTest, ExportTableIsANumberedCopyInTheShownColumnOrder) {
  auto window = openWindow();
  ExportTable start = window->makeExportTable();
  EXPECT_EQ(start.table.columnCount(), 40);
  EXPECT_EQ(start.table.rowCount(), 2);
  EXPECT_EQ(start.table.cell(0, 0), "");
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
  ASSERT_EQ(moved.columnWidths.size(), 40u);
  EXPECT_EQ(moved.columnWidths[0], kExportColumnWidth);
  EXPECT_EQ(moved.columnWidths[1], kExportColumnWidth);
  EXPECT_EQ(moved.columnWidths[3], 0);
  EXPECT_EQ(moved.columnWidths[4], 0);
}

TEST_F(MainWindowTest, AFileWithoutHeaderGivesAnEmptyGridAndNoMessage) {
  auto window = openWindow();
  const std::string notGedcom = home.file("liste.ged");
  test::writeFileBytes(notGedcom, "Name;Vorname\r\nM\xFCller;Anna\r\n");
  window->setFileChooser([&](QFileDialog&) { return QString::fromStdString(notGedcom); });
  fill(*window, {{"1", "alt"}});
  window->btnGoClick();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ASSERT_EQ(window->resultTable().rowCount(), 2);
  EXPECT_EQ(window->resultTable().cell(1, 1), "");
  EXPECT_EQ(window->resultTable().cell(1, 0), "Name :");
}

TEST_F(MainWindowTest, ClosingShowsTheProductDialogOnce) {
  auto window = openWindow();
  int shown = 0;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<TfrmToolsWerbungForm*>(QApplication::activeModalWidget())) {
      ++shown;
      dialog->accept();
    }
  });
  closer.start(10);
  EXPECT_TRUE(window->close());
  EXPECT_EQ(shown, 1);
}

TEST_F(MainWindowTest, ExportOpensTheDialogWithTheNumberedTable) {
  auto window = openWindow();
  window->SGrid->horizontalHeader()->hideSection(4);
  int shown = 0;
  int previewColumns = 0;
  int listed = 0;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<TfrmSaveToForm*>(QApplication::activeModalWidget())) {
      ++shown;
      previewColumns = dialog->preview()->columnCount();
      listed = dialog->columnList()->count();
      dialog->done(QDialog::Rejected);
    }
  });
  closer.start(10);
  window->btnClientClientExport->click();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(previewColumns, 40);
  EXPECT_EQ(listed, 39);  // "Rowcount" and 38 columns; the hidden one is not offered
  EXPECT_EQ(window->saveToForm()->previewWidth(5), 0);
}

// With ROWSMITH_SCREENSHOT_DIR set, imports the example and saves the window.
TEST_F(MainWindowTest, ScreenshotWithTheExample) {
  const char* folder = std::getenv("ROWSMITH_SCREENSHOT_DIR");
  if (!folder) GTEST_SKIP() << "ROWSMITH_SCREENSHOT_DIR not set";
  auto window = openWindow();
  window->setFileChooser([&](QFileDialog&) { return QString::fromStdString(exampleGedcom()); });
  window->btnGoClick();
  shift = true;
  clickHeader(*window, 3, true);
  clickHeader(*window, 2, true);
  window->SGrid->setCurrentCell(2, 2);
  QApplication::processEvents();
  ASSERT_TRUE(window->grab().save(QString::fromLocal8Bit(folder) + "/mainwindow.png"));
}

}  // namespace
}  // namespace rowsmith
