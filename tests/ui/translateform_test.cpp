#include "ui/translateform.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include "nls/nlssupport.h"
#include "support/testsupport.h"

namespace rowsmith {
namespace {

template <class W>
W* named(QWidget* parent, const char* name, const char* text = nullptr, const char* hint = nullptr) {
  auto* widget = new W(parent);
  widget->setObjectName(name);
  if constexpr (requires { widget->setText(QString()); })
    if (text) widget->setText(text);
  if (hint) widget->setToolTip(hint);
  return widget;
}

// One component of each kind the walk treats differently.
struct SampleDialog {
  SampleDialog() {
    dialog.setObjectName("frmSample1");
    dialog.setWindowTitle("Titel");
    group->setTitle("Gruppe");
    combo->addItem("Eintrag");
    tabs->addTab(named<QWidget>(nullptr, "tabFirst"), "Seite");
    tabs->setTabToolTip(0, "Erste Seite");
  }
  QDialog dialog;
  QGroupBox* group = named<QGroupBox>(&dialog, "gbxOptions");
  QLabel* label12 = named<QLabel>(group, "Label12", "Erstes");
  QLabel* label2 = named<QLabel>(&dialog, "Label2", "Zweites");
  QPushButton* button = named<QPushButton>(&dialog, "BitBtn1", "Ok", "Schliesst");
  QComboBox* combo = named<QComboBox>(&dialog, "cbxChoice", nullptr, "Auswahl");
  QLineEdit* edit = named<QLineEdit>(&dialog, "edtName", "Text");
  QRadioButton* radio = named<QRadioButton>(&dialog, "rbtOne", "Eins");
  QToolButton* toolButton = named<QToolButton>(named<QToolBar>(&dialog, "tbrMain"), "tbnSave", "Sichern", "Speichert");
  QTabWidget* tabs = named<QTabWidget>(&dialog, "pgcPages");
  QLabel* unnamed = new QLabel("Ohne Namen", &dialog);
};

class TranslateFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nls.setLanguageFolder(dir.path());
    nls.SetLanguage(44);
  }
  test::TempDir dir;
  TNLS nls;
};

TEST_F(TranslateFormTest, AFreshFileReceivesOneKeyPerCaptionAndHintChildrenFirst) {
  SampleDialog sample;
  TranslateForm(nls, &sample.dialog);
  // Label12 and Label2 share the key Label; group boxes and edits have none.
  EXPECT_EQ(test::readFileBytes(dir.file("NLS.44")),
            "[frmSample]\r\nLabel=Erstes\r\nBitBtn=Ok\r\nBitBtn1_Hint=Schliesst\r\ncbxChoice_Hint=Auswahl\r\n"
            "rbtOne=Eins\r\ntbnSave=Sichern\r\ntabFirst=Seite\r\ntabFirst_Hint=Erste Seite\r\nfrmSample=Titel\r\n");
  EXPECT_EQ(sample.label2->text(), "Erstes");
  EXPECT_EQ(sample.unnamed->text(), "Ohne Namen");
}

TEST_F(TranslateFormTest, AnEditedFileReplacesCaptionsAndHintsDecodedAsWindows1252) {
  test::writeFileBytes(dir.file("NLS.44"),
                       "[frmSample]\r\nfrmSample=Title\r\nLabel=\xC4rger \x80\r\nBitBtn=Fine\r\nBitBtn1_Hint=Closes\r\n"
                       "cbxChoice=Never\r\ncbxChoice_Hint=Choice\r\ngbxOptions=Never\r\nedtName=Never\r\n"
                       "rbtOne=One\r\ntbnSave=Save\r\ntbnSave_Hint=Never\r\ntabFirst=Page\r\n"
                       "tabFirst_Hint=First page\r\n");
  SampleDialog sample;
  TranslateForm(nls, &sample.dialog);
  const std::pair<QString, QString> shown[] = {
      {sample.dialog.windowTitle(), "Title"},
      {sample.label12->text(), QString::fromUtf8("\xC3\x84rger \xE2\x82\xAC")},
      {sample.button->text(), "Fine"},
      {sample.combo->toolTip(), "Choice"},
      {sample.group->title(), "Gruppe"},
      {sample.edit->text(), "Text"},
      {sample.toolButton->text(), "Save"},
      {sample.toolButton->toolTip(), "Speichert"},
      {sample.tabs->tabToolTip(0), "First page"},
  };
  for (const auto& [actual, expected] : shown) EXPECT_EQ(actual, expected);
}

}  // namespace
}  // namespace rowsmith
