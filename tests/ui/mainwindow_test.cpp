#include "ui/mainwindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLocale>
#include <QMimeData>
#include <QUrl>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <QListWidget>

#include "kernel/dates.h"
#include "kernel/folders.h"
#include "nls/nlssupport.h"
#include "ui/productinfodialog.h"
#include "ui/messagedialog.h"
#include "ui/exportdialog.h"
#include "nls/inifile.h"
#include "support/testsupport.h"
#include "platform/platform.h"
#include "ui/findbar.h"
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
  }
  void TearDown() override { unsetenv("ROWSMITH_HOME"); }

  std::unique_ptr<MainWindow> openWindow(const std::string& gedcom = "") {
    auto window = std::make_unique<MainWindow>();
    window->setShiftState([this] { return shift; });
    if (!gedcom.empty()) window->setFileChooser([gedcom](QFileDialog&) { return QString::fromStdString(gedcom); });
    window->show();
    QApplication::processEvents();
    return window;
  }

  // The given rows below the headers, shown in the grid, sort state reset.
  static void fill(MainWindow& window, const std::vector<Cells>& rows) {
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

  static Cells column(MainWindow& window, int c) {
    Cells cells;
    for (int r = 1; r < window.resultTable().rowCount(); ++r) cells.emplace_back(window.resultTable().cell(c, r));
    return cells;
  }

  static void sendMouse(QWidget* target, QEvent::Type type, QPoint point) {
    QMouseEvent event(type, QPointF(point), QPointF(target->mapToGlobal(point)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }

  // The middle of a column's header.
  static QPoint headerPoint(MainWindow& window, int column) {
    QHeaderView* header = window.SGrid->horizontalHeader();
    return QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
  }

  void clickHeader(MainWindow& window, int column, bool withShift = false, int releaseColumn = -1) {
    shift = withShift;
    QWidget* area = window.SGrid->horizontalHeader()->viewport();
    sendMouse(area, QEvent::MouseButtonPress, headerPoint(window, column));
    sendMouse(area, QEvent::MouseButtonRelease, headerPoint(window, releaseColumn < 0 ? column : releaseColumn));
    shift = false;
  }

  test::TempDir home;
  std::vector<std::string> messages;
  platform::ScopedHandler<platform::PlainMessageHandler, platform::setPlainMessageHandler> plain{
      [this](const std::string& text) { messages.push_back(text); }};
  bool shift = false;
};

TEST_F(MainWindowTest, HeaderClicksSortAndShiftClicksAddKeysNewestFirst) {
  auto window = openWindow();
  // Columns 2 (given name) and 3 (surname).
  fill(*window, {{"1", "", "Karl", "Weber"}, {"2", "", "anna", "Weber"}, {"3", "", "Karl", "Abel"},
                 {"4", "", "Anna", "Abel"}});
  // Neither a drag across columns nor a click on a border (a resize) sorts.
  clickHeader(*window, 0, false, 1);
  QHeaderView* header = window->SGrid->horizontalHeader();
  QWidget* area = header->viewport();
  const QPoint border(header->sectionViewportPosition(1) - header->sectionSize(0) / 20, header->height() / 2);
  sendMouse(area, QEvent::MouseButtonPress, border);
  sendMouse(area, QEvent::MouseButtonRelease, border);
  EXPECT_TRUE(window->sortKeys().keys().empty());
  // The rules of the keys are SortKeys' own; here the grid follows them.
  clickHeader(*window, 0);
  clickHeader(*window, 0);
  EXPECT_EQ(column(*window, 0), (Cells{"4", "3", "2", "1"}));
  clickHeader(*window, 3, true);
  clickHeader(*window, 2, true);  // case ignored; the plain click's column 0 stays last
  EXPECT_EQ(column(*window, 0), (Cells{"4", "2", "3", "1"}));
  clickHeader(*window, 2, true);  // key 1 again: same keys, other direction
  EXPECT_EQ(column(*window, 0), (Cells{"1", "3", "2", "4"}));
  EXPECT_EQ(window->SGrid->model()->headerData(3, Qt::Horizontal, Qt::ToolTipRole).toString(),
            platform::fromUtf8("Sortierschlüssel 2 von 3, absteigend"));
  EXPECT_EQ(window->headerMark(2), platform::fromUtf8("1▼"));
  EXPECT_TRUE(window->SGrid->model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString().contains(
      platform::fromUtf8("diese Spalte wird erster Schlüssel")));
}

TEST_F(MainWindowTest, SortKeepsTheSelectedRowAndDeleteClearsTheCell) {
  auto window = openWindow();
  fill(*window, {{"c", "3"}, {"a", "1"}, {"b", "2"}});
  window->SGrid->setCurrentCell(1, 1);  // row "c", which the sort moves to the end
  clickHeader(*window, 0);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QApplication::sendEvent(window->SGrid, &press);
  EXPECT_EQ(window->resultTable().cell(1, 3), "");
  window->SGrid->setCurrentCell(0, 1);
  QApplication::sendEvent(window->SGrid, &press);
  // A changed cell looks changed; Ctrl+Z undoes each clearing, newest
  // first, also after a sort has moved the rows.
  const QModelIndex cleared = window->SGrid->model()->index(2, 1);
  EXPECT_EQ(cleared.data(Qt::BackgroundRole).value<QColor>(), kChangedCellColour);
  clickHeader(*window, 1);
  EXPECT_EQ(column(*window, 0), (Cells{"c", "", "b"}));
  EXPECT_TRUE(window->undoClear());
  EXPECT_EQ(column(*window, 0), (Cells{"c", "a", "b"}));
  EXPECT_TRUE(window->undoClear());
  EXPECT_EQ(column(*window, 1), (Cells{"3", "1", "2"}));
  EXPECT_FALSE(window->SGrid->model()->index(0, 1).data(Qt::BackgroundRole).isValid());
  EXPECT_FALSE(window->actUndo->isEnabled());
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
  // Cancel keeps the table and its sort; the next file replaces both.
  clickHeader(*window, 3, true);
  const StringTable sorted = window->resultTable();
  next.clear();
  window->btnGoClick();
  EXPECT_EQ(test::dataRows(window->resultTable()), test::dataRows(sorted));
  next = QString::fromStdString(second);
  window->btnGoClick();
  EXPECT_TRUE(window->sortKeys().keys().empty());
  EXPECT_EQ(test::dataRows(window->resultTable()), test::dataRows(reference));

  // First the program's folder, then the folder of the last chosen file.
  ASSERT_EQ(folders.size(), 3u);
  EXPECT_EQ(folders[0] + "/", QString::fromStdString(executableFolder()));
  EXPECT_EQ(folders[2], QString::fromStdString(std::string(ROWSMITH_SOURCE_DIR) + "/examples"));
}

TEST_F(MainWindowTest, TheDateFormSwitchShowsTheStoredDatesAnewWithoutReadingTheFileAgain) {
  // The file is gone before the switch: it must not be needed.
  const std::string file = home.file("weg.ged");
  test::writeFileBytes(file, test::readFileBytes(exampleGedcom()));
  auto window = openWindow(file);
  window->btnGoClick();
  std::remove(file.c_str());
  clickHeader(*window, 3);
  window->SGrid->setCurrentCell(2, 3);
  ASSERT_TRUE(window->SGrid->clearCurrentCell());
  window->findBar->setFilterText("12.01.1850");
  const StringTable stored = window->resultTable();
  ResultTableModel* model = window->SGrid->tableModel();
  const int filtered = model->rowCount();
  ASSERT_GT(filtered, 0);
  messages.clear();

  auto expectShown = [&](DateForm form) {
    int differ = 0;
    for (int v = 0; v < model->rowCount(); ++v)
      for (int c : resultDateColumns()) {
        const std::string_view cell = stored.cell(c, model->tableRow(v));
        std::string expected;
        appendShownDate(expected, cell, form);
        EXPECT_EQ(model->data(model->index(v, c)).toString().toStdString(), expected) << v << "," << c;
        differ += expected != cell;
      }
    return differ;
  };
  EXPECT_GT(expectShown(DateForm::Western), 0);
  window->rbtSortableDate->setChecked(true);
  // The filter text is a western date: no date shows it now.
  EXPECT_EQ(model->rowCount(), 0);
  window->findBar->setFilterText("");
  window->SGrid->setCurrentCell(2, 3);
  expectShown(DateForm::Sortable);
  window->rbtWesternDate->setChecked(true);
  expectShown(DateForm::Western);

  // The table itself, its order, the sort keys, the selected row and the
  // cleared cell stay; no message, no reading.
  for (int r = 0; r < stored.rowCount(); ++r) EXPECT_EQ(window->resultTable().rowText(r), stored.rowText(r));
  EXPECT_EQ(window->sortKeys().keys()[0], 3);
  EXPECT_EQ(window->SGrid->currentTableRow(), 3);
  EXPECT_TRUE(window->SGrid->canUndoClear());
  EXPECT_TRUE(messages.empty());
}

// A dropped file is imported and remembered; a remembered file that is gone
// is named and may be removed from the list.
TEST_F(MainWindowTest, AFileDroppedOnTheWindowIsImportedAndRemembered) {
  const std::string gone = home.file("weg.ged");
  test::writeFileBytes(gone, test::readFileBytes(exampleGedcom()));
  auto window = openWindow();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(gone))});
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  QApplication::processEvents();  // the import follows the drop
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_GT(window->resultTable().rowCount(), 2);

  EXPECT_EQ(window->recentFiles().files(), QStringList{QString::fromStdString(gone)});
  std::remove(gone.c_str());
  std::vector<std::string> questions;
  platform::ScopedHandler<QuestionHandler, setQuestionHandler> asked{[&](const std::string& text) {
    questions.push_back(text);
    return questions.size() == 1 ? mrNo : mrYes;
  }};
  EXPECT_FALSE(window->openRecentFile(QString::fromStdString(gone)));
  EXPECT_EQ(window->recentFiles().files().size(), 1);
  EXPECT_FALSE(window->openRecentFile(QString::fromStdString(gone)));
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_NE(questions[0].find("\"" + gone + "\" gibt es nicht mehr"), std::string::npos) << questions[0];
  EXPECT_TRUE(window->recentFiles().files().isEmpty());
  // Newest first, each file once, at most eight.
  RecentFiles recent(home.file("recent.ini"));
  for (int i = 0; i < RecentFiles::kMaxFiles + 1; ++i) recent.remember(QString("/f%1.ged").arg(i));
  recent.remember("/f5.ged");
  EXPECT_EQ(recent.files(), (QStringList{"/f5.ged", "/f8.ged", "/f7.ged", "/f6.ged", "/f4.ged", "/f3.ged", "/f2.ged", "/f1.ged"}));
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
  window->findBar->setFilterText("KOCH");
  EXPECT_EQ(shownIds(), (Cells{"1", "3"}));
  EXPECT_EQ(window->findBar->lblFilterCount->text(), "2 von 3");
  EXPECT_EQ(window->SGrid->exportTable().table.rowCount(), 3);
  clickHeader(*window, 0);  // descending after a second click; the filter stays
  clickHeader(*window, 0);
  EXPECT_EQ(shownIds(), (Cells{"3", "1"}));

  window->findBar->showFind();
  window->findBar->edtFind->setText("o");
  window->SGrid->setCurrentCell(0, 1);  // "3", sorted to the top
  const std::pair<bool, std::pair<int, int>> steps[] = {
      {false, {1, 1}}, {false, {1, 3}}, {false, {6, 3}}, {true, {1, 3}}};
  for (const auto& [backward, cell] : steps) {
    EXPECT_TRUE(window->findBar->findNext(backward));
    EXPECT_EQ(std::pair(window->SGrid->currentColumn(), window->SGrid->currentTableRow()), cell);
  }
  window->findBar->edtFind->setText("weber");  // filtered out
  EXPECT_FALSE(window->findBar->findNext());
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
}

TEST_F(MainWindowTest, WithoutAChosenLanguageTheLocaleDecidesAndTheMenuChoosesTheNextStart) {
  if (QLocale::system().name().startsWith("de")) GTEST_SKIP() << "a German locale chooses German";
  ASSERT_TRUE(forceDirectories(home.path() + "NLS/"));
  // A title of an older release's file, without a place for the version, stays as it is.
  test::writeFileBytes(home.path() + "NLS/NLS.44", "[frmGedComIm]\r\nfrmGedComIm=Rowsmith alt\r\nbtnGo=&Start\r\n[Headers]\r\nBirthDate=Born :\r\n"
                                                   "[Sexes]\r\nFemale=F\r\n[CommonTXT]\r\nThousandsSeparator=,\r\n");
  auto window = openWindow(exampleGedcom());
  EXPECT_EQ(NLS().language(), 44);
  EXPECT_EQ(window->btnGo->text(), "&Start");
  EXPECT_EQ(window->windowTitle(), "Rowsmith alt");
  EXPECT_EQ(window->resultTable().cell(5, 0), "Born :");
  EXPECT_EQ(window->resultTable().cell(6, 0), "Geburtsort :");  // not yet translated: the default
  window->btnGoClick();
  EXPECT_EQ(window->resultTable().cell(25, 1), "F");
  EXPECT_EQ(groupedNumber(1000000), "1,000,000");

  // The menu's choice, kept in DEFAULTS.INI, wins over the locale from the next start on.
  window->chooseLanguage(49);
  EXPECT_EQ(window->btnGo->text(), "&Start");
  window = openWindow();
  EXPECT_EQ(NLS().language(), 49);
}

TEST_F(MainWindowTest, AFileThatGivesNoTableIsNamedAndTheShownTableStays) {
  const std::string notGedcom = home.file("liste.ged");
  test::writeFileBytes(notGedcom, "Name;Vorname\r\nMüller;Anna\r\n");
  const std::string noPersons = home.file("leer.ged");
  test::writeFileBytes(noPersons, "0 HEAD\r\n1 CHAR ANSI\r\n0 @F1@ FAM\r\n0 TRLR\r\n");
  const std::pair<std::string, std::string> cases[] = {
      {notGedcom, notGedcom + " ist keine GEDCOM-Datei"},
      {noPersons, noPersons + " enthält keine Personen"},
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
  fill(*window, {{"7", "Anna"}, {"8", "Karl"}});
  QHeaderView* header = window->SGrid->horizontalHeader();
  header->moveSection(header->visualIndex(1), 0);  // "Name :" first
  header->hideSection(3);
  clickHeader(*window, 1);  // a sort keeps the moved columns
  ExportTable moved = window->SGrid->exportTable();
  EXPECT_EQ(moved.table.cell(1, 0), "Name :");
  EXPECT_EQ(moved.table.cell(2, 2), "8");
  EXPECT_EQ(moved.table.cell(0, 2), "2");
  EXPECT_EQ(moved.columnWidths[4], 0);
}

// The export dialog and the converter write the same bytes for the same
// choice of columns, enclosing, separator, line break and character set.
TEST_F(MainWindowTest, TheExportDialogWritesWhatTheConverterWrites) {
  const std::tuple<std::vector<int>, const char*, const char*> cases[] = {
      // Ticked result columns (1-based; none: all, 0 the row numbers), the
      // dialog's settings, the converter's options.
      {{0, 1, 2}, "", "--columns 1,2"},
      {{3, 4, 39}, "DelimiterSaveTAB=1\nAddCharDouble=1\nLineBreakUseLF=1\nCharsetUTF8=1",
       "--columns 3,4,39 --no-rowcount --separator tab --enclose double --line-break lf --encoding utf-8"},
      {{}, "DelimiterSaveAscii=1\nAddCharSingle=1\nLineBreakUseLF=1\nCharsetUTF8BOM=1",
       "--separator comma --enclose single --line-break lf --encoding utf-8-bom"},
      {{0, 2, 16, 38}, "DelimiterSaveOther=1\nDelimiterSaveOtherSTR=#32#124#32\nAddCharOther=1\nAddCharOtherSTR=#33\nLineBreakUseOther=1",
       "--columns 2,16,38 --separator '#32#124#32' --enclose '#33' --line-break '#10#13'"},
      // The grid switched to sortable dates exports them so.
      {{}, "CharsetUTF8=1", "--encoding utf-8 --dates sortable"},
  };
  auto window = openWindow(exampleGedcom());
  window->btnGoClick();
  ExportDialog* dialog = window->exportDialog();
  dialog->setSettingsFileName(home.file("export.ini"));
  platform::ScopedHandler<InfoMessageHandler, setInfoMessageHandler> quiet{[](const std::string&, const std::string&) {}};
  for (const auto& [ticked, settings, options] : cases) {
    const bool sortable = std::string_view(options).find("sortable") != std::string_view::npos;
    (sortable ? window->rbtSortableDate : window->rbtWesternDate)->setChecked(true);
    const std::string fromWindow = home.file("window.txt"), fromConverter = home.file("converter.txt");
    test::writeFileBytes(home.file("export.ini"), std::string("[SaveToForm]\nSaveToFile=1\nSaveToFileSTR=") + fromWindow + "\n" + settings);
    QTimer::singleShot(0, dialog, [&] {
      QListWidget* list = dialog->columnList();
      for (int k = 0; k < list->count(); ++k) {
        const bool wanted = (ticked.empty() || std::find(ticked.begin(), ticked.end(), k) != ticked.end());
        list->item(k)->setCheckState(wanted ? Qt::Checked : Qt::Unchecked);
      }
      dialog->btnClientBottomClientClientGO->click();
      if (dialog->isVisible()) dialog->btnClientBottomClientClientCancel->click();
    });
    window->btnClientClientExportClick();
    const std::string command = std::string(ROWSMITH_CONVERT_EXE) + " -q " + options + " -o '" + fromConverter +
                                "' '" + exampleGedcom() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(test::readFileBytes(fromWindow), test::readFileBytes(fromConverter)) << options;
  }
}

TEST_F(MainWindowTest, ClosingDuringAnImportCancelsItAndCloses) {
  // A pipe: the run cannot end before the test has written into it.
  const std::string pipe = home.file("familie.ged");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  auto window = openWindow(pipe);
  bool productShown = false;
  QTimer accepter;
  QObject::connect(&accepter, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<ProductInfoDialog*>(QApplication::activeModalWidget())) {
      productShown = true;
      dialog->accept();
    }
  });
  accepter.start(5);
  QTimer::singleShot(0, window.get(), [&] {
    window->close();  // while the run waits for the pipe
    test::writeFileBytes(pipe, test::readFileBytes(exampleGedcom()));
  });
  window->btnGoClick();
  for (int i = 0; i < 200 && window->isVisible(); ++i) {
    QApplication::processEvents();
    QThread::msleep(5);
  }
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(productShown);
  EXPECT_TRUE(messages.empty());  // no count: the run's table was not taken
}

TEST_F(MainWindowTest, TheWindowShowsFileAndCountsAndRemembersItsStateAndColumns) {
  auto window = openWindow(exampleGedcom());
  window->findBar->edtFind->setText("nirgends");
  EXPECT_FALSE(window->findBar->findNext());
  window->btnGoClick();
  EXPECT_EQ(window->windowTitle(), "familie.ged - Rowsmith V" ROWSMITH_VERSION);
  const int rows = window->resultTable().rowCount() - 1;
  EXPECT_EQ(window->findBar->lblStatus->text(), platform::fromUtf8(std::to_string(rows) + " Zeilen · 6 Personen"));
  // A new file starts a new search.
  EXPECT_TRUE(window->findBar->edtFind->text().isEmpty());
  // Columns fit their cells: the notes column is wider than the sex column.
  QHeaderView* header = window->SGrid->horizontalHeader();
  EXPECT_GT(header->sectionSize(15), header->sectionSize(4));

  window->resize(900, 650);
  header->resizeSection(2, 33);
  window->rbtSortableDate->setChecked(true);
  QTimer::singleShot(0, [] {
    if (auto* dialog = QApplication::activeModalWidget()) dialog->close();
  });
  window->close();
  window = openWindow();
  EXPECT_EQ(window->size(), QSize(900, 650));
  EXPECT_TRUE(window->rbtSortableDate->isChecked());
  EXPECT_EQ(window->SGrid->horizontalHeader()->sectionSize(2), 33);
}

}  // namespace
}  // namespace rowsmith
