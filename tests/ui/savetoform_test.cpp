#include "ui/savetoform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include <sys/resource.h>

#include <QApplication>
#include <QClipboard>
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
#include "ui/mymessagedlgform.h"
#include "nls/nlssupport.h"
#include "support/testsupport.h"
#include "platform/platform.h"

namespace rowsmith {
namespace {

using test::readFileBytes;
using test::writeFileBytes;
using Texts = std::vector<std::string>;

// Row numbers, then three columns, two of them with one header.
StringTable sampleTable(int dataRows = 2) {
  StringTable table(4);
  table.setRowCount(dataRows + 1);
  table.setCell(1, 0, "Name :");
  table.setCell(2, 0, "Vorname :");
  table.setCell(3, 0, "Name :");
  for (int r = 1; r <= dataRows; ++r) {
    table.setCell(0, r, std::to_string(r));
    table.setCell(1, r, "Müller" + std::to_string(r));
    table.setCell(2, r, "Anna");
    table.setCell(3, r, r == 1 ? "a\r\nb" : "");
  }
  return table;
}

std::vector<int> allResultColumns() {
  std::vector<int> order(kResultColumns);
  for (int c = 0; c < kResultColumns; ++c) order[static_cast<size_t>(c)] = c;
  return order;
}

class SaveToFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedNls_ = NLS();
    NLS().setLanguageFolder(dir.path());
    NLS().SetLanguage(49);
    d.setSettingsFileName(settings());
    previousPlain_ = platform::setPlainMessageHandler([this](const std::string& text) { plainMessages.push_back(text); });
    previousInfo_ = setInfoMessageHandler(
        [this](const std::string&, const std::string& text) { infoMessages.push_back(text); });
  }
  void TearDown() override {
    platform::setPlainMessageHandler(previousPlain_);
    setInfoMessageHandler(previousInfo_);
    NLS() = savedNls_;
  }

  std::string settings() const { return dir.file("DEFAULTS.INI"); }

  // The selected option of each group by object name, "-" for none.
  std::string selectedOptions() const {
    std::string names;
    for (const char* group : {"Seperator", "AddChar", "LineBreak", "SaveTo"}) {
      std::string name = "-";
      for (QRadioButton* option : d.findChildren<QRadioButton*>())
        if (option->objectName().contains(group) && option->isChecked())
          name = option->objectName().mid(QString("btnClientBottomClientClient").size()).toStdString();
      names += (names.empty() ? "" : " ") + name;
    }
    return names;
  }

  static void choose(QRadioButton* option, QLineEdit* edit = nullptr, const std::string& text = "") {
    option->setChecked(true);
    if (edit) edit->setText(QString::fromStdString(text));
  }
  void toFile(const std::string& target) {
    choose(d.btnClientBottomClientClientSaveToFile, d.edtClientBottomClientClientSaveToFile, target);
  }

  // Runs the dialog the way the main window does, pressing GO inside it.
  int executeAndPressGo(StringTable& table, std::function<void()> beforeGo = {}) {
    QTimer::singleShot(0, &d, [&] {
      if (beforeGo) beforeGo();
      d.btnClientBottomClientClientGO->click();
    });
    return ExecuteSaveToForm(d, table);
  }

  test::TempDir dir;
  TfrmSaveToForm d;
  Texts plainMessages, infoMessages;

 private:
  TNLS savedNls_;
  platform::PlainMessageHandler previousPlain_;
  InfoMessageHandler previousInfo_;
};

TEST_F(SaveToFormTest, OptionsLoadInTableOrderAndAGroupMayEndUpEmpty) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "SeperatorCSV AddCharNone LineBreakCRLF SaveToClipboard"},
      {"DelimiterSaveCSV=1\nDelimiterSaveTAB=1\n", "SeperatorTAB AddCharNone LineBreakCRLF SaveToClipboard"},
      {"DelimiterSaveCSV=0\nDelimiterSaveAscii=0\nDelimiterSaveTAB=0\nDelimiterSaveOther=0\n",
       "- AddCharNone LineBreakCRLF SaveToClipboard"},
      {"DelimiterSaveOther=1\nDelimiterSaveAscii=1\n", "SeperatorFree AddCharNone LineBreakCRLF SaveToClipboard"},
      {"AddCharNone=0\nAddCharDouble=1\nLineBreakUseCRLF=0\nSaveToFile=1\n", "SeperatorCSV AddCharDouble - SaveToFile"},
      {"SaveToClipboard=0\nLineBreakUseLF=yes\nLineBreakUseOther=1\n", "SeperatorCSV AddCharNone LineBreakFree -"},
  };
  for (const auto& [ini, expected] : cases) {
    writeFileBytes(settings(), std::string("[SaveToForm]\n") + ini);
    StringTable table = sampleTable();
    d.Prepare(table);
    EXPECT_EQ(selectedOptions(), expected) << ini;
  }
}

TEST_F(SaveToFormTest, TextsAreReadAsStoredAndEveryOpeningReloads) {
  writeFileBytes(settings(), "[saveToForm]\r\nDelimiterSaveOtherSTR=#124\r\nSaveToFileSTR=C:\\Ahnen\\\xC4.csv\r\n"
                             "LineBreakUseOtherSTR=\r\nSaveRowCounts=0\r\n");
  StringTable table = sampleTable();
  d.Prepare(table);
  EXPECT_EQ(d.edtClientBottomClientClientSeperatorFree->text(), "#124");
  EXPECT_EQ(d.edtClientBottomClientClientSaveToFile->text(), QString::fromUtf8("C:\\Ahnen\\\xC3\x84.csv"));
  EXPECT_EQ(d.edtClientBottomClientClientLineBreakFree->text(), "");
  EXPECT_EQ(d.edtClientBottomClientClientAddCharOther->text(), "!");
  // SaveRowCounts=0 hides the row numbers.
  EXPECT_EQ(d.columnList()->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(d.previewWidth(0), 0);
  EXPECT_TRUE(d.preview()->isColumnHidden(0));

  d.btnClientBottomClientClientSeperatorTAB->setChecked(true);
  d.edtClientBottomClientClientAddCharOther->setText("x");
  d.Prepare(table);
  EXPECT_EQ(selectedOptions().substr(0, 12), "SeperatorCSV");
  EXPECT_EQ(d.edtClientBottomClientClientAddCharOther->text(), "!");
}

TEST_F(SaveToFormTest, PreviewShowsSevenRowsWithDotsAfterTheTable) {
  StringTable table = sampleTable();
  d.Prepare(table);
  QTableWidget* preview = d.preview();
  ASSERT_EQ(preview->rowCount(), 7);
  ASSERT_EQ(preview->columnCount(), 4);
  Texts expected = {"|Name :|Vorname :|Name :", "1|M\xC3\xBCller1|Anna|a\r\nb", "2|M\xC3\xBCller2|Anna|"};
  expected.resize(7, "|...|...|...");
  for (int r = 0; r < 7; ++r) {
    QStringList cells;
    for (int c = 0; c < 4; ++c) cells << preview->item(r, c)->text();
    EXPECT_EQ(cells.join('|'), QString::fromUtf8(expected[static_cast<size_t>(r)])) << r;
    if (r < 4) EXPECT_EQ(d.previewWidth(r), kExportColumnWidth);
  }
  StringTable big = sampleTable(9);
  d.Prepare(big);
  EXPECT_EQ(preview->item(4, 0)->text(), "4");
  EXPECT_EQ(preview->item(5, 1)->text(), "...");
}

TEST_F(SaveToFormTest, ColumnListMatchesColumnsByHeaderText) {
  StringTable table = sampleTable();
  d.Prepare(table);
  QListWidget* list = d.columnList();
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(0)->text(), "Rowcount");
  // Items apply in list order: the last "Name :" item decides for both columns.
  const std::pair<int, std::vector<int>> steps[] = {
      {3, {64, 0, 64, 0}},  // unchecking hides every column with that header
      {2, {64, 0, 0, 0}},
      {-3, {64, 64, 0, 64}},
      {0, {0, 64, 0, 64}},
  };
  for (const auto& [item, widths] : steps) {
    list->item(std::abs(item))->setCheckState(item < 0 ? Qt::Checked : Qt::Unchecked);
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(d.previewWidth(c), widths[static_cast<size_t>(c)] ? kExportColumnWidth : 0) << item << "," << c;
      EXPECT_EQ(d.preview()->isColumnHidden(c), widths[static_cast<size_t>(c)] == 0);
    }
  }
  // A column hidden in the grid is neither listed nor exported.
  d.Prepare(table, {20, 90, 0, 90});
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(2)->text(), "Name :");
  EXPECT_EQ(d.previewWidth(0), 20);
  EXPECT_EQ(d.previewWidth(2), 0);
}

TEST_F(SaveToFormTest, GoWithTheDefaultsCopiesToTheClipboardAndSavesTheSettings) {
  StringTable table = sampleTable();
  EXPECT_EQ(executeAndPressGo(table), mrOk);
  EXPECT_EQ(platform::toUtf8(QApplication::clipboard()->text()),
            ";Name :;Vorname :;Name :\r\n1;Müller1;Anna;a<#13><#10>b\r\n2;Müller2;Anna;");
  EXPECT_EQ(infoMessages, Texts{"3 Zeilen in die Zwischenablage kopiert!"});
  EXPECT_TRUE(plainMessages.empty());
  EXPECT_EQ(readFileBytes(settings()),
            "[SaveToForm]\r\nDelimiterSaveCSV=1\r\nDelimiterSaveAscii=0\r\nDelimiterSaveTAB=0\r\n"
            "DelimiterSaveOther=0\r\nDelimiterSaveOtherSTR=#8\r\nSaveToClipboard=1\r\nSaveToFile=0\r\n"
            "SaveToFileSTR=\r\nLineBreakUseCRLF=1\r\nLineBreakUseLF=0\r\nLineBreakUseOther=0\r\n"
            "LineBreakUseOtherSTR=#10#13\r\nAddCharNone=1\r\nAddCharSingle=0\r\nAddCharDouble=0\r\n"
            "AddCharOther=0\r\nAddCharOtherSTR=!\r\nCharsetANSI=1\r\nCharsetUTF8=0\r\nCharsetUTF8BOM=0\r\n"
            "SaveRowCounts=1\r\n");
}

TEST_F(SaveToFormTest, GoWritesTheExactBytesOverAnExistingFile) {
  const std::string target = dir.file("export.txt");
  writeFileBytes(target, std::string(500, 'o'));
  StringTable table = sampleTable();
  EXPECT_EQ(executeAndPressGo(table, [&] {
              toFile(target);
              choose(d.btnClientBottomClientClientSeperatorFree, d.edtClientBottomClientClientSeperatorFree, "#0");
              choose(d.btnClientBottomClientClientAddCharSingle);
              choose(d.btnClientBottomClientClientLineBreakLF);
              d.columnList()->item(0)->setCheckState(Qt::Unchecked);
              d.columnList()->item(3)->setCheckState(Qt::Unchecked);  // both "Name :" columns
            }),
            mrOk);
  // The last column is not exported, so every line ends with the separator.
  const char expected[] = "'Vorname :'\0\n'Anna'\0\n'Anna'\0";
  EXPECT_EQ(readFileBytes(target), std::string(expected, sizeof expected - 1));
  EXPECT_EQ(infoMessages, Texts{"3 Zeilen in die Datei geschrieben!"});
  TIniFile ini(settings());
  EXPECT_EQ(ini.ReadString("SaveToForm", "SaveToFileSTR", ""), target);
  EXPECT_EQ(ini.ReadString("SaveToForm", "DelimiterSaveOtherSTR", ""), "#0");
  EXPECT_FALSE(ini.ReadBool("SaveToForm", "SaveRowCounts", true));
  EXPECT_TRUE(ini.ReadBool("SaveToForm", "AddCharSingle", false));

  // The unticked column is unticked again at the next opening.
  EXPECT_EQ(ini.ReadString("SaveToForm", "UncheckedColumns", ""), "Name :");
  d.Prepare(table);
  EXPECT_EQ(d.columnList()->item(1)->checkState(), Qt::Unchecked);
  EXPECT_EQ(d.columnList()->item(2)->checkState(), Qt::Checked);
  EXPECT_EQ(d.previewText(), QString::fromUtf8("'Vorname :'␀␊\n'Anna'␀␊\n'Anna'␀"));
  d.btnClientBottomLeftBottomAll->click();
  EXPECT_EQ(d.previewWidth(3), kExportColumnWidth);
  d.btnClientBottomLeftBottomNone->click();
  for (int c = 0; c < 4; ++c) EXPECT_EQ(d.previewWidth(c), 0);
}

// A folder named in letters outside Windows-1252 survives DEFAULTS.INI, and
// the file gets the chosen bytes; the message counts cells a reader splits.
TEST_F(SaveToFormTest, GoWritesTheChosenCharacterSetToAnyPath) {
  const std::string folder = dir.file("Łódź");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const std::string target = folder + "/export.txt";
  StringTable table = sampleTable();
  table.setCell(2, 1, "Anna;Maria");
  EXPECT_EQ(executeAndPressGo(table, [&] {
              toFile(target);
              choose(d.btnClientBottomClientClientCharsetUTF8BOM);
              d.columnList()->item(0)->setCheckState(Qt::Unchecked);
            }),
            mrOk);
  const std::string start = "\xEF\xBB\xBFName :;Vorname :;Name :\r\nMüller1;Anna;Maria;";
  EXPECT_EQ(readFileBytes(target).substr(0, start.size()), start);
  EXPECT_EQ(infoMessages, Texts{"3 Zeilen in die Datei geschrieben! 1 Zellen enthalten das Trennzeichen oder einen "
                                "Zeilenumbruch; Zellen einklammern hilft."});
  TIniFile ini(settings());
  EXPECT_EQ(ini.ReadString("SaveToForm", "SaveToFileSTR", ""), target);
  EXPECT_TRUE(ini.ReadBool("SaveToForm", "CharsetUTF8BOM", false));
  EXPECT_FALSE(ini.ReadBool("SaveToForm", "CharsetANSI", true));
}

TEST_F(SaveToFormTest, AFailingWriteKeepsTheOldFileAndTheSettings) {
  const std::string oldSettings = "[SaveToForm]\r\nSaveToFile=1\r\nSaveToClipboard=0\r\n";
  const std::string target = dir.file("old.txt");
  writeFileBytes(target, "old");
  // A missing folder, and a file-size limit that makes the write itself fail, even for root.
  for (const auto& [file, limitFileSize] : {std::pair{dir.file("missing/out.txt"), false}, {target, true}}) {
    writeFileBytes(settings(), oldSettings);
    plainMessages.clear();
    StringTable table = sampleTable(40);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    const int result = executeAndPressGo(table, [&] {
      d.edtClientBottomClientClientSaveToFile->setText(QString::fromStdString(file));
      rlimit small = saved;
      small.rlim_cur = 100;
      if (limitFileSize) setrlimit(RLIMIT_FSIZE, &small);
    });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousSignal);

    EXPECT_EQ(result, mrCancel) << file;
    ASSERT_EQ(plainMessages.size(), 1u) << file;
    EXPECT_NE(plainMessages[0].find(file), std::string::npos) << plainMessages[0];
    EXPECT_TRUE(infoMessages.empty());
    EXPECT_EQ(readFileBytes(settings()), oldSettings);
  }
  EXPECT_EQ(readFileBytes(target), "old");
  // No temporary file and no folder is left: DEFAULTS.INI, NLS.49, old.txt.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 3);
}

TEST_F(SaveToFormTest, NotationErrorsAndAMissingFileNameDeliverNothing) {
  const std::string target = dir.file("never.txt");
  const std::string notByte = "ERROR - number must be a byte!";
  const std::tuple<QRadioButton*, QLineEdit*, const char*, std::string, std::string> cases[] = {
      {d.btnClientBottomClientClientSeperatorFree, d.edtClientBottomClientClientSeperatorFree, "#256", notByte, ""},
      {d.btnClientBottomClientClientAddCharOther, d.edtClientBottomClientClientAddCharOther, "#",
       "ERROR - # without number found!", ""},
      {d.btnClientBottomClientClientLineBreakFree, d.edtClientBottomClientClientLineBreakFree, "#300", notByte, ""},
      {d.btnClientBottomClientClientSaveToFile, d.edtClientBottomClientClientSaveToFile, "", "",
       "Dateiname fehlt! Bitte geben Sie einen gültigen Namen ein!"},
  };
  for (const auto& [option, edit, text, plain, info] : cases) {
    plainMessages.clear();
    infoMessages.clear();
    StringTable table = sampleTable();
    EXPECT_EQ(executeAndPressGo(table, [&] {
                toFile(target);
                choose(option, edit, text);
              }),
              mrCancel);
    EXPECT_EQ(plainMessages, plain.empty() ? Texts{} : Texts{plain});
    EXPECT_EQ(infoMessages, info.empty() ? Texts{} : Texts{info});
  }
  EXPECT_FALSE(test::fileExists(target));
  EXPECT_FALSE(test::fileExists(settings()));
}

TEST_F(SaveToFormTest, CancelWritesNothingAndSeekOnlyFillsTheFileName) {
  StringTable table = sampleTable();
  QTimer::singleShot(0, &d, [&] {
    auto previous = platform::setSaveFileDialogHandler([](const QString&) { return QString("/x/y.csv"); });
    d.btnClientBottomClientClientSaveToFileSeek->click();
    platform::setSaveFileDialogHandler(previous);
    EXPECT_EQ(d.edtClientBottomClientClientSaveToFile->text(), "/x/y.csv");
    EXPECT_TRUE(d.btnClientBottomClientClientSaveToClipboard->isChecked());
    d.btnClientBottomClientClientCancel->click();
  });
  EXPECT_EQ(ExecuteSaveToForm(d, table), mrCancel);
  EXPECT_FALSE(test::fileExists(settings()));
}

// Which components get a key is the translation walk's concern; here only that the dialog uses it.
TEST_F(SaveToFormTest, CaptionsComeFromTheLanguageFile) {
  writeFileBytes(dir.file("NLS.49"), "[frmSaveToForm]\r\nbtnClientBottomClientClientGO=Los\r\n");
  StringTable table = sampleTable();
  d.Prepare(table);
  EXPECT_EQ(d.btnClientBottomClientClientGO->text(), "Los");
  EXPECT_NE(readFileBytes(dir.file("NLS.49")).find("\r\nbtnClientBottomClientClientCancel="), std::string::npos);
}

// The dialog and the converter are two roads to one text.
TEST_F(SaveToFormTest, DialogExportEqualsTheConverterByteForByte) {
#ifndef ROWSMITH_CONVERT_EXE
  GTEST_SKIP() << "rowsmith-convert is not built";
#else
  if (test::gedcomTestdataDir().empty()) GTEST_SKIP() << "no GEDCOM test files";
  test::CapturedMessages counts;
  for (const char* name : {"/gedcom4j/5.5.1 sample 2.ged", "/gedcom4j/TGC551LF.ged"}) {
    const std::string gedcom = test::gedcomTestdataDir() + name;
    StringTable result = makeResultTable();
    ImportGedcom(gedcom, true, result);
    ASSERT_GT(result.rowCount(), 2) << gedcom;
    StringTable exportTable = makeExportTable(result, allResultColumns());
    const std::string fromDialog = dir.file("dialog.txt"), fromConverter = dir.file("converter.txt");
    ASSERT_EQ(executeAndPressGo(exportTable, [&] {
                toFile(fromDialog);
                choose(d.btnClientBottomClientClientSeperatorFree, d.edtClientBottomClientClientSeperatorFree, "#124");
                choose(d.btnClientBottomClientClientAddCharDouble);
                choose(d.btnClientBottomClientClientLineBreakLF);
                d.columnList()->item(0)->setCheckState(Qt::Unchecked);
              }),
              mrOk);
    const std::string command = std::string("\"") + ROWSMITH_CONVERT_EXE +
                                "\" -q --separator '#124' --enclose double --line-break lf --no-rowcount -o \"" +
                                fromConverter + "\" \"" + gedcom + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::string expected = readFileBytes(fromConverter);
    EXPECT_EQ(readFileBytes(fromDialog), expected) << gedcom;
    EXPECT_NE(expected.find('|'), std::string::npos);
  }
#endif
}

}  // namespace
}  // namespace rowsmith
