#include "ui/exportdialog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

#include "nls/inifile.h"
#include "ui/messagedialog.h"
#include "nls/nlssupport.h"
#include "support/testsupport.h"
#include "platform/platform.h"

namespace rowsmith {
namespace {

using test::readFileBytes;
using test::writeFileBytes;
using Texts = std::vector<std::string>;

// Row numbers, then three columns, two of them with one header.
StringTable sampleTable() {
  return test::tableOf(4, {{"", "Name :", "Vorname :", "Name :"}, {"1", "Müller1", "Anna", "a\r\nb"},
                           {"2", "Müller2", "Anna"}});
}

class ExportDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedNls_ = NLS();
    NLS().setLanguageFolder(dir.path());
    NLS().SetLanguage(49);
    d.setSettingsFileName(settings());
  }
  void TearDown() override { NLS() = savedNls_; }

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

  // Runs the dialog the way the main window does, pressing GO inside it;
  // a dialog still open after GO is cancelled, noted in stayedOpen.
  int executeAndPressGo(StringTable& table, std::function<void()> beforeGo = {}) {
    stayedOpen = false;
    QTimer::singleShot(0, &d, [&] {
      if (beforeGo) beforeGo();
      d.btnClientBottomClientClientGO->click();
      if (d.isVisible()) {
        stayedOpen = true;
        focusAfterFailure = d.focusWidget();
        d.btnClientBottomClientClientCancel->click();
      }
    });
    return ExecuteExportDialog(d, table);
  }
  bool stayedOpen = false;
  QWidget* focusAfterFailure = nullptr;

  test::TempDir dir;
  StringTable table = sampleTable();
  ExportDialog d;
  Texts plainMessages, infoMessages;

 private:
  TNLS savedNls_;
  platform::ScopedHandler<platform::PlainMessageHandler, platform::setPlainMessageHandler> plain_{
      [this](const std::string& text) { plainMessages.push_back(text); }};
  platform::ScopedHandler<InfoMessageHandler, setInfoMessageHandler> info_{
      [this](const std::string&, const std::string& text) { infoMessages.push_back(text); }};
};

TEST_F(ExportDialogTest, OptionsLoadInTableOrderAndAGroupMayEndUpEmpty) {
  const std::pair<const char*, const char*> cases[] = {
      {"DelimiterSaveCSV=1\nDelimiterSaveTAB=1\n", "SeperatorTAB AddCharNone LineBreakCRLF SaveToClipboard"},
      {"DelimiterSaveCSV=0\nDelimiterSaveAscii=0\nDelimiterSaveTAB=0\nDelimiterSaveOther=0\n",
       "- AddCharNone LineBreakCRLF SaveToClipboard"},
      {"AddCharNone=0\nAddCharDouble=1\nLineBreakUseCRLF=0\nSaveToFile=1\nSaveRowCounts=0\n",
       "SeperatorCSV AddCharDouble - SaveToFile"},
  };
  for (const auto& [ini, expected] : cases) {
    writeFileBytes(settings(), std::string("[SaveToForm]\n") + ini);
    d.Prepare(table);
    EXPECT_EQ(selectedOptions(), expected) << ini;
  }
  EXPECT_EQ(d.previewWidth(0), 0);  // SaveRowCounts=0 hides the row numbers
}

TEST_F(ExportDialogTest, ColumnListMatchesColumnsByHeaderText) {
  d.Prepare(table);
  QListWidget* list = d.columnList();
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(0)->text(), "Zeilennummer");
  // The preview fills seven rows, dots after the table.
  ASSERT_EQ(d.preview()->rowCount(), 7);
  EXPECT_EQ(d.preview()->item(3, 1)->text(), "...");
  // Items apply in list order: the last "Name :" item decides for both columns.
  const std::pair<int, std::vector<int>> steps[] = {
      {3, {64, 0, 64, 0}},  // unchecking hides every column with that header
      {-3, {64, 64, 64, 64}},
  };
  for (const auto& [item, widths] : steps) {
    list->item(std::abs(item))->setCheckState(item < 0 ? Qt::Checked : Qt::Unchecked);
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(d.previewWidth(c), widths[static_cast<size_t>(c)] ? kExportColumnWidth : 0) << item << "," << c;
    }
  }
  // A column hidden in the grid is neither listed nor exported.
  d.Prepare(table, {20, 90, 0, 90});
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(2)->text(), "Name :");
  EXPECT_EQ(d.previewWidth(0), 20);
  EXPECT_EQ(d.previewWidth(2), 0);
}

// Unticked columns are stored by key, so the choice survives a change of
// language; an entry written by an older version names the header instead.
TEST_F(ExportDialogTest, UntickedColumnsAreStoredByKeyAndSurviveALanguageChange) {
  const std::vector<int> shown = {-1, 1, 2, 22};  // Name, GivenName, NamePartner
  table.setCell(1, 0, "Name");
  table.setCell(2, 0, "Given name");
  table.setCell(3, 0, "Name (partner)");
  QTimer::singleShot(0, &d, [&] {
    d.columnList()->item(3)->setCheckState(Qt::Unchecked);
    d.btnClientBottomClientClientGO->click();
  });
  ExecuteExportDialog(d, table, {}, shown);
  EXPECT_EQ(TIniFile(settings()).ReadString("SaveToForm", "UncheckedColumns", ""), "NamePartner");

  StringTable german = sampleTable();
  german.setCell(3, 0, "Name (Partner) :");
  d.Prepare(german, {}, shown);
  EXPECT_EQ(d.columnList()->item(1)->checkState(), Qt::Checked);
  EXPECT_EQ(d.columnList()->item(3)->checkState(), Qt::Unchecked);

  TIniFile(settings()).WriteString("SaveToForm", "UncheckedColumns", "Vorname :|Given name");
  d.Prepare(table, {}, shown);
  EXPECT_EQ(d.columnList()->item(2)->checkState(), Qt::Unchecked);
  EXPECT_EQ(d.columnList()->item(3)->checkState(), Qt::Checked);
}

TEST_F(ExportDialogTest, GoWithTheDefaultsCopiesToTheClipboardAndSavesTheSettings) {
  EXPECT_EQ(executeAndPressGo(table), mrOk);
  EXPECT_EQ(platform::toUtf8(QApplication::clipboard()->text()),
            ";Name :;Vorname :;Name :\r\n1;Müller1;Anna;a<#13><#10>b\r\n2;Müller2;Anna;");
  EXPECT_EQ(infoMessages, Texts{"3 Zeilen in die Zwischenablage kopiert!"});
  EXPECT_TRUE(plainMessages.empty());
  EXPECT_TRUE(TIniFile(settings()).ReadBool("SaveToForm", "SaveToClipboard", false));

  // A cell that begins like a formula gets an apostrophe unless the box keeps it.
  table.setCell(2, 2, "=1+2");
  for (const bool keep : {false, true}) {
    infoMessages.clear();
    EXPECT_EQ(executeAndPressGo(table, [&] { d.chkClientBottomClientClientKeepFormulas->setChecked(keep); }), mrOk);
    EXPECT_TRUE(QApplication::clipboard()->text().endsWith(keep ? "2;Müller2;=1+2;" : "2;Müller2;'=1+2;"));
    ASSERT_EQ(infoMessages.size(), 1u);
    EXPECT_NE(infoMessages[0].find(keep ? "1 Zellen beginnen wie eine Formel und wurden unverändert"
                                        : "1 Zellen beginnen wie eine Formel und bekamen ein Apostroph"),
              std::string::npos) << infoMessages[0];
  }
}

TEST_F(ExportDialogTest, GoWritesTheExactBytesOverAnExistingFile) {
  const std::string target = dir.file("export.txt");
  writeFileBytes(target, std::string(500, 'o'));
  EXPECT_EQ(executeAndPressGo(table, [&] {
              toFile(target);
              choose(d.option("DelimiterSaveOther"), d.textField("DelimiterSaveOtherSTR"), "#0");
              choose(d.option("AddCharDouble"));
              choose(d.option("LineBreakUseLF"));
              d.columnList()->item(0)->setCheckState(Qt::Unchecked);
              d.columnList()->item(3)->setCheckState(Qt::Unchecked);  // both "Name :" columns
            }),
            mrOk);
  // The last column is not exported: no separator ends a line.
  const char expected[] = "\"Vorname :\"\n\"Anna\"\n\"Anna\"";
  EXPECT_EQ(readFileBytes(target), std::string(expected, sizeof expected - 1));
  EXPECT_EQ(infoMessages, Texts{"3 Zeilen in die Datei geschrieben!"});
  TIniFile ini(settings());
  EXPECT_EQ(ini.ReadString("SaveToForm", "SaveToFileSTR", ""), target);
  EXPECT_FALSE(ini.ReadBool("SaveToForm", "SaveRowCounts", true));

  // The unticked column is unticked again at the next opening.
  EXPECT_EQ(ini.ReadString("SaveToForm", "UncheckedColumns", ""), "Name :");
  d.Prepare(table);
  EXPECT_EQ(d.columnList()->item(1)->checkState(), Qt::Unchecked);
  EXPECT_EQ(d.columnList()->item(2)->checkState(), Qt::Checked);
  EXPECT_EQ(d.previewText(), QString::fromUtf8("\"Vorname :\"↓\n\"Anna\"↓\n\"Anna\""));
  choose(d.option("AddCharSingle"));
  d.columnList()->item(3)->setCheckState(Qt::Checked);
  choose(d.option("DelimiterSaveTAB"));
  choose(d.option("LineBreakUseCRLF"));
  choose(d.option("DelimiterSaveOther"), d.textField("DelimiterSaveOtherSTR"), "#0#9");
  EXPECT_EQ(d.previewText(), QString::fromUtf8("'Name :'^@→'Vorname :'^@→'Name :'←↓\n'Müller1'^@→'Anna'^@→'a<#13><#10>b'←↓\n"
                                               "'Müller2'^@→'Anna'^@→''"));
}

// A folder named in letters outside Windows-1252 survives DEFAULTS.INI, and
// the file gets the chosen bytes; the message counts cells a reader splits.
TEST_F(ExportDialogTest, GoWritesTheChosenCharacterSetToAnyPath) {
  const std::string folder = dir.file("Łódź");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const std::string target = folder + "/export.txt";
  table.setCell(2, 1, "Anna;Maria");
  EXPECT_EQ(executeAndPressGo(table, [&] {
              toFile(target);
              choose(d.option("CharsetUTF8BOM"));
              d.columnList()->item(0)->setCheckState(Qt::Unchecked);
            }),
            mrOk);
  const std::string start = "\xEF\xBB\xBFName :;Vorname :;Name :\r\nMüller1;Anna;Maria;";
  EXPECT_EQ(readFileBytes(target).substr(0, start.size()), start);
  EXPECT_EQ(infoMessages, Texts{"3 Zeilen in die Datei geschrieben! 1 Zellen enthalten das Trennzeichen oder einen "
                                "Zeilenumbruch; Zellen einklammern hilft."});
  EXPECT_EQ(TIniFile(settings()).ReadString("SaveToForm", "SaveToFileSTR", ""), target);
}

TEST_F(ExportDialogTest, AFailingWriteKeepsTheSettingsAndLeavesNoFile) {
  const std::string oldSettings = "[SaveToForm]\r\nSaveToFile=1\r\nSaveToClipboard=0\r\n";
  writeFileBytes(settings(), oldSettings);
  ASSERT_TRUE(std::filesystem::create_directory(dir.file("ordner.csv")));
  const std::pair<std::string, const char*> cases[] = {{dir.file("missing/out.txt"), "existiert nicht"},
                                                       {dir.file("ordner.csv"), "Das ist ein Ordner"}};
  for (const auto& [file, cause] : cases) {
    plainMessages.clear();
    EXPECT_EQ(executeAndPressGo(table, [&] { toFile(file); }), mrCancel);
    ASSERT_EQ(plainMessages.size(), 1u);
    EXPECT_NE(plainMessages[0].find(file), std::string::npos) << plainMessages[0];
    EXPECT_NE(plainMessages[0].find(cause), std::string::npos) << plainMessages[0];
    // The dialog stays with the user's choices, the name field ready to mend.
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(focusAfterFailure, d.edtClientBottomClientClientSaveToFile);
  }
  EXPECT_TRUE(infoMessages.empty());
  EXPECT_EQ(readFileBytes(settings()), oldSettings);
  // No temporary file and no folder is left: DEFAULTS.INI, NLS.49 and the folder.
  EXPECT_EQ(test::entryCount(dir.path()), 3);
}

TEST_F(ExportDialogTest, NotationErrorsAMissingFileNameAndCancelDeliverNothing) {
  const std::string target = dir.file("never.txt");
  const std::tuple<QRadioButton*, QLineEdit*, const char*, std::string, std::string> cases[] = {
      {d.option("AddCharOther"), d.textField("AddCharOtherSTR"), "#",
       "ERROR - # without number found!", ""},
      {d.btnClientBottomClientClientSaveToFile, d.edtClientBottomClientClientSaveToFile, "", "",
       "Dateiname fehlt! Bitte geben Sie einen gültigen Namen ein!"},
  };
  for (const auto& [option, edit, text, plain, info] : cases) {
    plainMessages.clear();
    infoMessages.clear();
    EXPECT_EQ(executeAndPressGo(table, [&] {
                toFile(target);
                choose(option, edit, text);
              }),
              mrCancel);
    EXPECT_EQ(plainMessages, plain.empty() ? Texts{} : Texts{plain});
    EXPECT_EQ(infoMessages, info.empty() ? Texts{} : Texts{info});
    EXPECT_TRUE(stayedOpen);
  }
  QTimer::singleShot(0, &d, [&] {
    toFile(target);
    d.btnClientBottomClientClientCancel->click();
  });
  EXPECT_EQ(ExecuteExportDialog(d, table), mrCancel);
  EXPECT_FALSE(test::fileExists(target));
  EXPECT_FALSE(test::fileExists(settings()));
}

TEST_F(ExportDialogTest, AWorkbookDisablesTheTextOptionsAndGetsItsExtension) {
  table.setCell(2, 2, "Łódź");
  d.Prepare(table);
  toFile(dir.file("liste"));
  // Windows-1252 lacks letters of one cell: the preview shows what is written.
  EXPECT_TRUE(d.previewText().contains(QString::fromUtf8("Lódz"))) << d.previewText().toStdString();
  EXPECT_TRUE(d.previewText().endsWith(QString::fromUtf8("(1 Zellen werden in Windows-1252 umschrieben)")));

  choose(d.btnClientBottomClientClientSaveToWorkbook);
  for (QGroupBox* box : d.findChildren<QGroupBox*>()) EXPECT_EQ(box->isEnabled(), box->objectName() == "gbxClientBottomClientClientSaveTo");
  EXPECT_FALSE(d.chkClientBottomClientClientKeepFormulas->isEnabled());
  // The save dialog offers workbooks and starts where the named file is.
  QString offered, startedAt;
  platform::ScopedHandler<platform::SaveDialogHandler, platform::setSaveFileDialogHandler> saveDialog{
      [&](const QString& startAt, const QString& filters) {
        startedAt = startAt;
        offered = filters;
        return QString::fromStdString(dir.file("mappe.csv"));
      }};
  d.btnClientBottomClientClientSaveToFileSeek->click();
  EXPECT_TRUE(offered.startsWith("Arbeitsmappen (*.xlsx)")) << offered.toStdString();
  EXPECT_EQ(startedAt.toStdString(), dir.file("liste"));

  // A workbook named *.csv becomes *.xlsx, and the user is told; any
  // folder name will do.
  const std::string folder = dir.file("Łódź/");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  EXPECT_EQ(executeAndPressGo(table, [&] {
              toFile(folder + "mappe.csv");
              choose(d.btnClientBottomClientClientSaveToWorkbook);
              d.chkClientBottomClientClientKeepFormulas->setChecked(true);
            }),
            mrOk);
  EXPECT_EQ(readFileBytes(folder + "mappe.xlsx").substr(0, 4), std::string("PK\x03\x04", 4));
  EXPECT_TRUE(TIniFile(settings()).ReadBool("SaveToForm", "SaveToWorkbook", false));
  ASSERT_EQ(infoMessages.size(), 1u);
  EXPECT_NE(infoMessages[0].find("mappe.xlsx\" ergänzt"), std::string::npos) << infoMessages[0];
  // Text without an extension gets ".csv"; the formula choice is remembered.
  infoMessages.clear();
  EXPECT_EQ(executeAndPressGo(table, [&] { toFile(dir.file("text")); }), mrOk);
  EXPECT_TRUE(test::fileExists(dir.file("text.csv")));
  EXPECT_TRUE(TIniFile(settings()).ReadBool("SaveToForm", "KeepFormulas", false));
  d.Prepare(table);
  EXPECT_TRUE(d.chkClientBottomClientClientKeepFormulas->isChecked());
}

}  // namespace
}  // namespace rowsmith
