#include "export/savetoform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

#include "export/exporttext.h"
#include "import/importrun.h"
#include "kernel/folders.h"
#include "nls/inifile.h"
#include "nls/mymessagedlgform.h"
#include "nls/nlssupport.h"
#include "testsupport.h"
#include "ui/platform.h"

namespace rowsmith {
namespace {

using test::readFileBytes;
using test::TempDir;
using test::writeFileBytes;

// A small export table: row numbers, then three columns, two with one header.
StringTable sampleTable(int dataRows) {
  StringTable table(4);
  table.setRowCount(dataRows + 1);
  table.setCell(1, 0, "Name :");
  table.setCell(2, 0, "Vorname :");
  table.setCell(3, 0, "Name :");
  for (int r = 1; r <= dataRows; ++r) {
    table.setCell(0, r, std::to_string(r));
    table.setCell(1, r, "M\xFCller" + std::to_string(r));
    table.setCell(2, r, "Anna");
    table.setCell(3, r, r == 1 ? "a\r\nb" : "");
  }
  return table;
}

class SaveToFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedNls_ = NLS();
    NLS().setLanguageFolder(dir.path());
    NLS().SetLanguage(49);
    dialog.setSettingsFileName(settings());
    previousPlain_ = platform::setPlainMessageHandler(
        [this](const std::string& text) { plainMessages.push_back(text); });
    previousInfo_ = setInfoMessageHandler(
        [this](const std::string&, const std::string& text) { infoMessages.push_back(text); });
  }
  void TearDown() override {
    platform::setPlainMessageHandler(previousPlain_);
    setInfoMessageHandler(previousInfo_);
    NLS() = savedNls_;
  }

  std::string settings() const { return dir.file("DEFAULTS.INI"); }

  // The selected option of each group, by object name ("" for none).
  std::string selected(const char* group) const {
    std::string name;
    for (QRadioButton* option : dialog.findChildren<QRadioButton*>()) {
      if (option->objectName().contains(group) && option->isChecked()) {
        name += option->objectName().mid(QString("btnClientBottomClientClient").size()).toStdString();
      }
    }
    return name;
  }

  // Runs the dialog the way the main window does, pressing GO inside it.
  int executeAndPressGo(StringTable& table, std::function<void()> beforeGo = {}) {
    QTimer::singleShot(0, &dialog, [&] {
      if (beforeGo) beforeGo();
      dialog.btnClientBottomClientClientGO->click();
    });
    return ExecuteSaveToForm(dialog, table);
  }

  TempDir dir;
  TfrmSaveToForm dialog;
  std::vector<std::string> plainMessages;
  std::vector<std::string> infoMessages;

 private:
  TNLS savedNls_;
  platform::PlainMessageHandler previousPlain_;
  InfoMessageHandler previousInfo_;
};

TEST_F(SaveToFormTest, OptionsLoadInTableOrderAndAGroupMayEndUpEmpty) {
  struct Case {
    const char* ini;
    const char* separator;
    const char* addChar;
    const char* lineBreak;
    const char* saveTo;
  };
  const Case cases[] = {
      {"", "SeperatorCSV", "AddCharNone", "LineBreakCRLF", "SaveToClipboard"},
      {"DelimiterSaveCSV=1\nDelimiterSaveTAB=1\n", "SeperatorTAB", "AddCharNone", "LineBreakCRLF",
       "SaveToClipboard"},
      {"DelimiterSaveCSV=0\nDelimiterSaveAscii=0\nDelimiterSaveTAB=0\nDelimiterSaveOther=0\n", "",
       "AddCharNone", "LineBreakCRLF", "SaveToClipboard"},
      {"DelimiterSaveOther=1\nDelimiterSaveAscii=1\n", "SeperatorFree", "AddCharNone",
       "LineBreakCRLF", "SaveToClipboard"},
      {"AddCharNone=0\nAddCharDouble=1\nLineBreakUseCRLF=0\nSaveToFile=1\n", "SeperatorCSV",
       "AddCharDouble", "", "SaveToFile"},
      {"SaveToClipboard=0\nLineBreakUseLF=yes\nLineBreakUseOther=1\n", "SeperatorCSV",
       "AddCharNone", "LineBreakFree", ""},
  };
  for (const Case& c : cases) {
    writeFileBytes(settings(), std::string("[SaveToForm]\n") + c.ini);
    StringTable table = sampleTable(2);
    dialog.Prepare(table);
    EXPECT_EQ(selected("Seperator"), c.separator) << c.ini;
    EXPECT_EQ(selected("AddChar"), c.addChar) << c.ini;
    EXPECT_EQ(selected("LineBreak"), c.lineBreak) << c.ini;
    EXPECT_EQ(selected("SaveTo"), c.saveTo) << c.ini;
  }
}

TEST_F(SaveToFormTest, TextsAreReadAsStoredAndEveryOpeningReloads) {
  writeFileBytes(settings(),
                 "[saveToForm]\r\nDelimiterSaveOtherSTR=#124\r\nSaveToFileSTR=C:\\Ahnen\\\xC4.csv\r\n"
                 "LineBreakUseOtherSTR=\r\n");
  StringTable table = sampleTable(2);
  dialog.Prepare(table);
  EXPECT_EQ(dialog.edtClientBottomClientClientSeperatorFree->text(), "#124");
  EXPECT_EQ(dialog.edtClientBottomClientClientSaveToFile->text(),
            QString::fromUtf8("C:\\Ahnen\\\xC3\x84.csv"));
  EXPECT_EQ(dialog.edtClientBottomClientClientLineBreakFree->text(), "");
  EXPECT_EQ(dialog.edtClientBottomClientClientAddCharOther->text(), "!");

  dialog.btnClientBottomClientClientSeperatorTAB->setChecked(true);
  dialog.edtClientBottomClientClientAddCharOther->setText("x");
  dialog.Prepare(table);
  EXPECT_EQ(selected("Seperator"), "SeperatorCSV");
  EXPECT_EQ(dialog.edtClientBottomClientClientAddCharOther->text(), "!");
}

TEST_F(SaveToFormTest, PreviewShowsSevenRowsWithDotsAfterTheTable) {
  StringTable table = sampleTable(2);
  dialog.Prepare(table);
  QTableWidget* preview = dialog.preview();
  ASSERT_EQ(preview->rowCount(), 7);
  ASSERT_EQ(preview->columnCount(), 4);
  const char* expected[7][4] = {
      {"", "Name :", "Vorname :", "Name :"},
      {"1", "M\xC3\xBCller1", "Anna", "a\r\nb"},
      {"2", "M\xC3\xBCller2", "Anna", ""},
      {"", "...", "...", "..."},
      {"", "...", "...", "..."},
      {"", "...", "...", "..."},
      {"", "...", "...", "..."},
  };
  for (int r = 0; r < 7; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(preview->item(r, c)->text(), QString::fromUtf8(expected[r][c])) << r << "," << c;
    }
  }
  for (int c = 0; c < 4; ++c) EXPECT_EQ(dialog.previewWidth(c), kExportColumnWidth);

  StringTable big = sampleTable(9);
  dialog.Prepare(big);
  EXPECT_EQ(preview->item(4, 0)->text(), "4");
  EXPECT_EQ(preview->item(5, 1)->text(), "...");
}

TEST_F(SaveToFormTest, ColumnListMatchesColumnsByHeaderText) {
  StringTable table = sampleTable(2);
  dialog.Prepare(table);
  QListWidget* list = dialog.columnList();
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(0)->text(), "Rowcount");
  EXPECT_EQ(list->item(1)->text(), "Name :");

  // Items are applied in list order, so the last "Name :" item decides for
  // both columns of that header.
  list->item(3)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(dialog.previewWidth(1), 0);
  EXPECT_EQ(dialog.previewWidth(2), kExportColumnWidth);
  EXPECT_EQ(dialog.previewWidth(3), 0);
  EXPECT_TRUE(dialog.preview()->isColumnHidden(3));
  list->item(2)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(dialog.previewWidth(2), 0);
  list->item(3)->setCheckState(Qt::Checked);
  EXPECT_EQ(dialog.previewWidth(1), kExportColumnWidth);
  EXPECT_EQ(dialog.previewWidth(3), kExportColumnWidth);
  EXPECT_FALSE(dialog.preview()->isColumnHidden(1));

  list->item(0)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(dialog.previewWidth(0), 0);

  // A column hidden in the grid is neither listed nor exported.
  dialog.Prepare(table, {20, 90, 0, 90});
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(2)->text(), "Name :");
  EXPECT_EQ(dialog.previewWidth(0), 20);
  EXPECT_EQ(dialog.previewWidth(2), 0);
}

TEST_F(SaveToFormTest, StoredRowCountSettingHidesTheRowNumbers) {
  writeFileBytes(settings(), "[SaveToForm]\r\nSaveRowCounts=0\r\n");
  StringTable table = sampleTable(2);
  dialog.Prepare(table);
  EXPECT_EQ(dialog.columnList()->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(dialog.previewWidth(0), 0);
  EXPECT_TRUE(dialog.preview()->isColumnHidden(0));
}

TEST_F(SaveToFormTest, GoWithTheDefaultsCopiesToTheClipboardAndSavesTheSettings) {
  StringTable table = sampleTable(2);
  EXPECT_EQ(executeAndPressGo(table), mrOk);
  EXPECT_EQ(platform::toCp1252(QApplication::clipboard()->text()),
            ";Name :;Vorname :;Name :\r\n"
            "1;M\xFCller1;Anna;a<#13><#10>b\r\n"
            "2;M\xFCller2;Anna;");
  ASSERT_EQ(infoMessages.size(), 1u);
  EXPECT_EQ(infoMessages[0], "3 Zeilen in die Zwischenablage kopiert!");
  EXPECT_TRUE(plainMessages.empty());
  EXPECT_EQ(readFileBytes(settings()),
            "[SaveToForm]\r\n"
            "DelimiterSaveCSV=1\r\nDelimiterSaveAscii=0\r\nDelimiterSaveTAB=0\r\n"
            "DelimiterSaveOther=0\r\nDelimiterSaveOtherSTR=#8\r\n"
            "SaveToClipboard=1\r\nSaveToFile=0\r\nSaveToFileSTR=\r\n"
            "LineBreakUseCRLF=1\r\nLineBreakUseLF=0\r\nLineBreakUseOther=0\r\n"
            "LineBreakUseOtherSTR=#10#13\r\n"
            "AddCharNone=1\r\nAddCharSingle=0\r\nAddCharDouble=0\r\nAddCharOther=0\r\n"
            "AddCharOtherSTR=!\r\nSaveRowCounts=1\r\n");
}

TEST_F(SaveToFormTest, GoWritesTheExactBytesOverAnExistingFile) {
  std::string target = dir.file("export.txt");
  writeFileBytes(target, std::string(500, 'o'));
  StringTable table = sampleTable(2);
  int result = executeAndPressGo(table, [&] {
    dialog.btnClientBottomClientClientSaveToFile->setChecked(true);
    dialog.edtClientBottomClientClientSaveToFile->setText(QString::fromStdString(target));
    dialog.btnClientBottomClientClientSeperatorFree->setChecked(true);
    dialog.edtClientBottomClientClientSeperatorFree->setText("#0");
    dialog.btnClientBottomClientClientAddCharSingle->setChecked(true);
    dialog.btnClientBottomClientClientLineBreakLF->setChecked(true);
    dialog.columnList()->item(0)->setCheckState(Qt::Unchecked);
    dialog.columnList()->item(3)->setCheckState(Qt::Unchecked);  // hides both "Name :" columns
  });
  EXPECT_EQ(result, mrOk);
  // The last column is not exported, so every line ends with the separator.
  const char expected[] = "'Vorname :'\0\n'Anna'\0\n'Anna'\0";
  EXPECT_EQ(readFileBytes(target), std::string(expected, sizeof expected - 1));
  ASSERT_EQ(infoMessages.size(), 1u);
  EXPECT_EQ(infoMessages[0], "3 Zeilen in die Datei geschrieben!");
  TIniFile ini(settings());
  EXPECT_EQ(ini.ReadString("SaveToForm", "SaveToFileSTR", ""), target);
  EXPECT_EQ(ini.ReadString("SaveToForm", "DelimiterSaveOtherSTR", ""), "#0");
  EXPECT_FALSE(ini.ReadBool("SaveToForm", "SaveRowCounts", true));
  EXPECT_TRUE(ini.ReadBool("SaveToForm", "AddCharSingle", false));
}

TEST_F(SaveToFormTest, AFailingWriteKeepsTheOldFileAndTheSettings) {
  const std::string oldSettings = "[SaveToForm]\r\nSaveToFile=1\r\nSaveToClipboard=0\r\n";
  std::string target = dir.file("old.txt");
  writeFileBytes(target, "old");

  struct Case {
    std::string target;
    bool limitFileSize;
  };
  const Case cases[] = {
      {dir.file("missing/out.txt"), false},
      // A file-size limit makes the write itself fail, even for root.
      {target, true},
  };
  for (const Case& c : cases) {
    writeFileBytes(settings(), oldSettings);
    plainMessages.clear();
    StringTable table = sampleTable(40);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    int result = executeAndPressGo(table, [&] {
      dialog.edtClientBottomClientClientSaveToFile->setText(QString::fromStdString(c.target));
      if (c.limitFileSize) {
        rlimit small = saved;
        small.rlim_cur = 100;
        setrlimit(RLIMIT_FSIZE, &small);
      }
    });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousSignal);

    EXPECT_EQ(result, mrCancel) << c.target;
    ASSERT_EQ(plainMessages.size(), 1u) << c.target;
    EXPECT_NE(plainMessages[0].find(c.target), std::string::npos) << plainMessages[0];
    EXPECT_TRUE(infoMessages.empty());
    EXPECT_EQ(readFileBytes(settings()), oldSettings);
  }
  EXPECT_EQ(readFileBytes(target), "old");
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
  // Nothing but the files this test made: no temporary file is left.
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 3u);  // DEFAULTS.INI, NLS.49, old.txt
}

TEST_F(SaveToFormTest, NotationErrorsAndAMissingFileNameDeliverNothing) {
  std::string target = dir.file("never.txt");
  auto toFile = [target](TfrmSaveToForm& d) {
    d.btnClientBottomClientClientSaveToFile->setChecked(true);
    d.edtClientBottomClientClientSaveToFile->setText(QString::fromStdString(target));
  };
  const std::vector<std::pair<std::function<void(TfrmSaveToForm&)>, std::pair<std::string, std::string>>>
      cases = {
          {[&](TfrmSaveToForm& d) {
             toFile(d);
             d.btnClientBottomClientClientSeperatorFree->setChecked(true);
             d.edtClientBottomClientClientSeperatorFree->setText("#256");
           },
           {"ERROR - number must be a byte!", ""}},
          {[&](TfrmSaveToForm& d) {
             toFile(d);
             d.btnClientBottomClientClientAddCharOther->setChecked(true);
             d.edtClientBottomClientClientAddCharOther->setText("#");
           },
           {"ERROR - # without number found!", ""}},
          {[&](TfrmSaveToForm& d) {
             toFile(d);
             d.btnClientBottomClientClientLineBreakFree->setChecked(true);
             d.edtClientBottomClientClientLineBreakFree->setText("#300");
           },
           {"ERROR - number must be a byte!", ""}},
          {[&](TfrmSaveToForm& d) {
             toFile(d);
             d.edtClientBottomClientClientSaveToFile->clear();
           },
           {"", "Dateiname fehlt! Bitte geben Sie einen g\xFCltigen Namen ein!"}},
      };
  for (const auto& [setUp, expected] : cases) {
    plainMessages.clear();
    infoMessages.clear();
    StringTable table = sampleTable(2);
    EXPECT_EQ(executeAndPressGo(table, [&] { setUp(dialog); }), mrCancel);
    EXPECT_EQ(plainMessages, expected.first.empty() ? std::vector<std::string>{}
                                                    : std::vector<std::string>{expected.first});
    EXPECT_EQ(infoMessages, expected.second.empty() ? std::vector<std::string>{}
                                                    : std::vector<std::string>{expected.second});
  }
  EXPECT_FALSE(test::fileExists(target));
  EXPECT_FALSE(test::fileExists(settings()));
}

TEST_F(SaveToFormTest, CancelWritesNothingAndSeekOnlyFillsTheFileName) {
  StringTable table = sampleTable(2);
  QTimer::singleShot(0, &dialog, [&] {
    auto previous = platform::setSaveFileDialogHandler([](const QString&) { return QString("/x/y.csv"); });
    dialog.btnClientBottomClientClientSaveToFileSeek->click();
    platform::setSaveFileDialogHandler(previous);
    EXPECT_EQ(dialog.edtClientBottomClientClientSaveToFile->text(), "/x/y.csv");
    EXPECT_TRUE(dialog.btnClientBottomClientClientSaveToClipboard->isChecked());
    dialog.btnClientBottomClientClientCancel->click();
  });
  EXPECT_EQ(ExecuteSaveToForm(dialog, table), mrCancel);
  EXPECT_FALSE(test::fileExists(settings()));
}

TEST_F(SaveToFormTest, CaptionsComeFromTheLanguageFileButGroupTitlesDoNot) {
  writeFileBytes(dir.file("NLS.49"),
                 "[frmSaveToForm]\r\nbtnClientBottomClientClientGO=Los\r\n"
                 "gbxClientBottomClientClientSeperator=Never\r\nfrmSaveToForm=Save result\r\n");
  StringTable table = sampleTable(2);
  dialog.Prepare(table);
  EXPECT_EQ(dialog.btnClientBottomClientClientGO->text(), "Los");
  EXPECT_EQ(dialog.gbxClientBottomClientClientSeperator->title(), "Trennzeichen");
  EXPECT_EQ(dialog.windowTitle(), "Save result");
  std::string file = readFileBytes(dir.file("NLS.49"));
  for (const char* line : {"pnlClientTop=Vorschau\r\n", "btnClientBottomClientClientCancel=Cancel\r\n",
                           "btnClientBottomClientClientAddCharDouble=Anf\xFChrungszeichen - (\")\r\n",
                           "btnClientBottomClientClientSaveToFileSeek=...\r\n"}) {
    EXPECT_NE(file.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(file.find("gbxClientBottomClientClientAddChar"), std::string::npos);
  EXPECT_EQ(file.find("edt"), std::string::npos);
  EXPECT_EQ(file.find("sgr"), std::string::npos);
}

}  // namespace
}  // namespace rowsmith

namespace rowsmith {
namespace {

std::vector<int> allResultColumns() {
  std::vector<int> order(kResultColumns);
  for (int c = 0; c < kResultColumns; ++c) order[static_cast<size_t>(c)] = c;
  return order;
}

TEST_F(SaveToFormTest, TheTableOfAFreshStartListsEveryColumn) {
  StringTable exportTable = makeExportTable(makeResultTable(), allResultColumns());
  ASSERT_EQ(exportTable.columnCount(), 40);
  ASSERT_EQ(exportTable.rowCount(), 2);
  dialog.Prepare(exportTable);
  ASSERT_EQ(dialog.columnList()->count(), 40);
  EXPECT_EQ(dialog.columnList()->item(1)->text(), "ID :");
  EXPECT_EQ(dialog.columnList()->item(39)->text(), "ID Mutter (Partner) :");
  EXPECT_EQ(dialog.preview()->item(1, 0)->text(), "1");
  EXPECT_EQ(dialog.preview()->item(1, 5)->text(), "");
  EXPECT_EQ(dialog.preview()->item(2, 5)->text(), "...");
}

// The dialog and the converter are two roads to one text: the same file with
// the same options gives the same bytes.
TEST_F(SaveToFormTest, DialogExportEqualsTheConverterByteForByte) {
#ifndef ROWSMITH_CONVERT_EXE
  GTEST_SKIP() << "rowsmith-convert is not built";
#else
  if (test::gedcomTestdataDir().empty()) GTEST_SKIP() << "no GEDCOM test files";
  const std::string files[] = {
      test::gedcomTestdataDir() + "/gedcom4j/5.5.1 sample 2.ged",
      test::gedcomTestdataDir() + "/gedcom4j/TGC551LF.ged",
  };
  setWorkFolder(dir.file("work"));
  test::CapturedMessages counts;
  for (const std::string& gedcom : files) {
    StringTable result = makeResultTable();
    ImportGedcom(gedcom, true, result);
    ASSERT_GT(result.rowCount(), 2) << gedcom;
    StringTable exportTable = makeExportTable(result, allResultColumns());

    std::string fromDialog = dir.file("dialog.txt");
    int answer = executeAndPressGo(exportTable, [&] {
      dialog.btnClientBottomClientClientSaveToFile->setChecked(true);
      dialog.edtClientBottomClientClientSaveToFile->setText(QString::fromStdString(fromDialog));
      dialog.btnClientBottomClientClientSeperatorFree->setChecked(true);
      dialog.edtClientBottomClientClientSeperatorFree->setText("#124");
      dialog.btnClientBottomClientClientAddCharDouble->setChecked(true);
      dialog.btnClientBottomClientClientLineBreakLF->setChecked(true);
      dialog.columnList()->item(0)->setCheckState(Qt::Unchecked);
    });
    ASSERT_EQ(answer, mrOk);

    std::string fromConverter = dir.file("converter.txt");
    std::string command = std::string("\"") + ROWSMITH_CONVERT_EXE +
                          "\" -q --separator '#124' --enclose double --line-break lf "
                          "--no-rowcount -o \"" + fromConverter + "\" \"" + gedcom + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::string expected = readFileBytes(fromConverter);
    EXPECT_EQ(readFileBytes(fromDialog), expected) << gedcom;
    EXPECT_NE(expected.find('|'), std::string::npos);
  }
  setWorkFolder("");
#endif
}

// With ROWSMITH_SCREENSHOT_DIR set (under Xvfb), the dialog as the user sees
// it after importing the example file.
TEST_F(SaveToFormTest, Screenshot) {
  const QString folder = qEnvironmentVariable("ROWSMITH_SCREENSHOT_DIR");
  if (folder.isEmpty()) GTEST_SKIP() << "ROWSMITH_SCREENSHOT_DIR not set";
  setWorkFolder(dir.file("work"));
  test::CapturedMessages counts;
  StringTable result = makeResultTable();
  ImportGedcom(std::string(ROWSMITH_SOURCE_DIR) + "/examples/familie.ged", true, result);
  setWorkFolder("");
  StringTable exportTable = makeExportTable(result, allResultColumns());
  std::vector<int> widths(static_cast<size_t>(exportTable.columnCount()), 96);
  widths[0] = 40;
  dialog.Prepare(exportTable, widths);
  dialog.show();
  QApplication::processEvents();
  EXPECT_TRUE(dialog.grab().save(folder + "/export-dialog.png"));
  dialog.hide();
}

}  // namespace
}  // namespace rowsmith
