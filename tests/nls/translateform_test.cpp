#include "nls/translateform.h"

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
#include "testsupport.h"

namespace rowsmith {
namespace {

template <class W>
W* named(QWidget* parent, const char* name) {
  auto* widget = new W(parent);
  widget->setObjectName(name);
  return widget;
}

struct SampleDialog {
  SampleDialog() {
    dialog.setObjectName("frmSample1");
    dialog.setWindowTitle("Titel");
    group = named<QGroupBox>(&dialog, "gbxOptions");
    group->setTitle("Gruppe");
    label12 = named<QLabel>(group, "Label12");
    label12->setText("Erstes");
    label2 = named<QLabel>(&dialog, "Label2");
    label2->setText("Zweites");
    button = named<QPushButton>(&dialog, "BitBtn1");
    button->setText("Ok");
    button->setToolTip("Schliesst");
    combo = named<QComboBox>(&dialog, "cbxChoice");
    combo->setToolTip("Auswahl");
    combo->addItem("Eintrag");
    edit = named<QLineEdit>(&dialog, "edtName");
    edit->setText("Text");
    radio = named<QRadioButton>(&dialog, "rbtOne");
    radio->setText("Eins");
    auto* toolBar = named<QToolBar>(&dialog, "tbrMain");
    toolButton = named<QToolButton>(toolBar, "tbnSave");
    toolButton->setText("Sichern");
    toolButton->setToolTip("Speichert");
    tabs = named<QTabWidget>(&dialog, "pgcPages");
    page = named<QWidget>(nullptr, "tabFirst");
    tabs->addTab(page, "Seite");
    tabs->setTabToolTip(0, "Erste Seite");
    unnamed = new QLabel("Ohne Namen", &dialog);
  }

  QDialog dialog;
  QGroupBox* group;
  QLabel* label12;
  QLabel* label2;
  QPushButton* button;
  QComboBox* combo;
  QLineEdit* edit;
  QRadioButton* radio;
  QToolButton* toolButton;
  QTabWidget* tabs;
  QWidget* page;
  QLabel* unnamed;
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
  // Label12 and Label2 share the key Label, so the first text wins for both.
  EXPECT_EQ(test::readFileBytes(dir.file("NLS.44")),
            "[frmSample]\r\n"
            "Label=Erstes\r\n"
            "BitBtn=Ok\r\n"
            "BitBtn1_Hint=Schliesst\r\n"
            "cbxChoice_Hint=Auswahl\r\n"
            "rbtOne=Eins\r\n"
            "tbnSave=Sichern\r\n"
            "tabFirst=Seite\r\n"
            "tabFirst_Hint=Erste Seite\r\n"
            "frmSample=Titel\r\n");
  EXPECT_EQ(sample.label2->text(), "Erstes");
  EXPECT_EQ(sample.group->title(), "Gruppe");
  EXPECT_EQ(sample.edit->text(), "Text");
  EXPECT_EQ(sample.unnamed->text(), "Ohne Namen");
}

TEST_F(TranslateFormTest, AnEditedFileReplacesCaptionsAndHints) {
  test::writeFileBytes(dir.file("NLS.44"),
                       "[frmSample]\r\n"
                       "frmSample=Title\r\n"
                       "Label=First\r\n"
                       "BitBtn=Fine\r\n"
                       "BitBtn1_Hint=Closes\r\n"
                       "cbxChoice=Never\r\n"
                       "cbxChoice_Hint=Choice\r\n"
                       "gbxOptions=Never\r\n"
                       "edtName=Never\r\n"
                       "rbtOne=One\r\n"
                       "tbnSave=Save\r\n"
                       "tbnSave_Hint=Never\r\n"
                       "tabFirst=Page\r\n"
                       "tabFirst_Hint=First page\r\n"
                       "Label1=\xC4rger\r\n");
  SampleDialog sample;
  TranslateForm(nls, &sample.dialog);
  EXPECT_EQ(sample.dialog.windowTitle(), "Title");
  EXPECT_EQ(sample.label12->text(), "First");
  EXPECT_EQ(sample.label2->text(), "First");
  EXPECT_EQ(sample.button->text(), "Fine");
  EXPECT_EQ(sample.button->toolTip(), "Closes");
  EXPECT_EQ(sample.combo->toolTip(), "Choice");
  EXPECT_EQ(sample.combo->currentText(), "Eintrag");
  EXPECT_EQ(sample.group->title(), "Gruppe");
  EXPECT_EQ(sample.edit->text(), "Text");
  EXPECT_EQ(sample.radio->text(), "One");
  EXPECT_EQ(sample.toolButton->text(), "Save");
  EXPECT_EQ(sample.toolButton->toolTip(), "Speichert");
  EXPECT_EQ(sample.tabs->tabText(0), "Page");
  EXPECT_EQ(sample.tabs->tabToolTip(0), "First page");
}

TEST_F(TranslateFormTest, TextsAreDecodedAsWindows1252) {
  test::writeFileBytes(dir.file("NLS.44"), "[frmSample]\r\nLabel=\xC4rger \x80\r\n");
  SampleDialog sample;
  TranslateForm(nls, &sample.dialog);
  EXPECT_EQ(sample.label12->text(), QString::fromUtf8("\xC3\x84rger \xE2\x82\xAC"));
}

}  // namespace
}  // namespace rowsmith
