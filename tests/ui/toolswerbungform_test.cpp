#include "ui/toolswerbungform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include "nls/nlssupport.h"
#include "support/testsupport.h"
#include "platform/platform.h"

namespace rowsmith {
namespace {

class ProductDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = NLS();
    NLS().setLanguageFolder(dir.path());
    NLS().SetLanguage(49);
  }
  void TearDown() override { NLS() = saved_; }

  // Shows the dialog modally and presses OK.
  int show(TfrmToolsWerbungForm& dialog) {
    bool wasVisible = false;
    QTimer::singleShot(0, &dialog, [&] {
      wasVisible = dialog.isVisible() && dialog.isModal();
      dialog.okButton()->click();
    });
    int result = ShowProductInfo(dialog);
    EXPECT_TRUE(wasVisible);
    return result;
  }

  test::TempDir dir;

 private:
  TNLS saved_;
};

TEST_F(ProductDialogTest, FirstUseFillsTheLanguageFile) {
  TfrmToolsWerbungForm dialog;
  EXPECT_EQ(show(dialog), 1);
  const std::string file = test::readFileBytes(dir.file("NLS.49"));
  for (const char* line : {"[frmToolsWerbungForm]\r\n", "lblSoftwareII=Rowsmith Project\r\n", "BitBtn=Ok\r\n",
                           "lblWebAddress=https://rowsmith.example.org\r\n",
                           "Werbetext=<#13><#10>Dies ist ein Tool aus dem Programmpaktet von Brambleroot!<#13><#10>",
                           "\r\nfrmToolsWerbungForm=Beachten Sie auch Brambleroot, den grossen Bruder!\r\n"})
    EXPECT_NE(file.find(line), std::string::npos) << line;
  EXPECT_LT(file.find("BitBtn="), file.find("frmToolsWerbungForm="));  // the form's title comes last
  EXPECT_EQ(dialog.memo()->toPlainText().split('\n').size(), 14);
}

TEST_F(ProductDialogTest, AnEditedFileReplacesTextsAndTheLinkFollowsTheCaption) {
  test::writeFileBytes(dir.file("NLS.49"),
                       "[frmToolsWerbungForm]\r\nWerbetext=Zeile eins<#13><#10>Zeile zwei\r\n"
                       "lblWebAddress=https://mirror.example.org/start\r\n");
  TfrmToolsWerbungForm dialog;
  show(dialog);
  EXPECT_EQ(dialog.memo()->toPlainText(), "Zeile eins\nZeile zwei");
  QString opened;
  auto previous = platform::setOpenUrlHandler([&](const QString& address) { opened = address; });
  dialog.lblWebAddressClick();
  platform::setOpenUrlHandler(previous);
  EXPECT_EQ(opened, "https://mirror.example.org/start?Tool");
}

}  // namespace
}  // namespace rowsmith
