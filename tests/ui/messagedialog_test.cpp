#include "ui/messagedialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

#include "nls/nlssupport.h"
#include "support/testsupport.h"

namespace rowsmith {
namespace {

using B = TMsgDlgBtn;

class MessageDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = NLS();
    NLS().setLanguageFolder(dir.path());
    NLS().SetLanguage(49);
  }
  void TearDown() override { NLS() = saved_; }

  test::TempDir dir;

 private:
  TNLS saved_;
};

TEST_F(MessageDialogTest, ButtonsFollowTheFixedOrderWithLanguageFileCaptionsAndTheWindowFitsTheText) {
  test::writeFileBytes(dir.file("NLS.49"), "[MessageButtons]\r\nMsgOk=Okay\r\n");
  const std::pair<TMsgDlgButtons, std::vector<QString>> cases[] = {
      {{B::mbCancel, B::mbNo, B::mbYes}, {"Ja", "Nein", "Abbruch"}},
      {{B::mbAll, B::mbIgnore, B::mbRetry, B::mbOK}, {"Okay", "Wiederholen", "Ignorieren", "Alle"}},
  };
  for (const auto& [kinds, captions] : cases) {
    MessageDialog dialog;
    dialog.PrepareMessage("Titel", "Text", TMsgDlgType::mtConfirmation, kinds);
    const auto& buttons = dialog.buttons();
    ASSERT_EQ(buttons.size(), captions.size());
    for (size_t i = 0; i < buttons.size(); ++i) EXPECT_EQ(buttons[i]->text(), captions[i]);
  }

  // The window grows until every line fits.
  std::string tenLines = "Zeile";
  for (int i = 2; i <= 10; ++i) tenLines += "\r\nZeile " + std::to_string(i);
  MessageDialog tall;
  tall.PrepareMessage("", tenLines, TMsgDlgType::mtInformation, {B::mbOK});
  EXPECT_GT(tall.height(), MessageDialog::kClientHeight);
}

TEST_F(MessageDialogTest, ButtonsKeysAndCloseBoxGiveTheirResults) {
  const std::tuple<TMsgDlgButtons, int, int> cases[] = {  // key 0: the close box
      {{B::mbYes, B::mbNo}, Qt::Key_Escape, mrNo}, {{B::mbOK, B::mbCancel}, Qt::Key_Escape, mrCancel},
      {{B::mbYes, B::mbNo}, Qt::Key_Return, mrYes}, {{B::mbYes, B::mbNo}, 0, mrCancel},
  };
  for (const auto& [kinds, key, expected] : cases) {
    MessageDialog dialog;
    dialog.PrepareMessage("", "Frage", TMsgDlgType::mtConfirmation, kinds);
    dialog.show();
    if (key == 0) {
      dialog.close();
    } else {
      QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(&dialog, &down);
    }
    EXPECT_EQ(dialog.result(), expected) << key;
  }
  MessageDialog dialog;
  dialog.PrepareMessage("", "x", TMsgDlgType::mtError, {B::mbAll, B::mbHelp});
  dialog.show();
  dialog.buttons()[0]->click();  // Help comes first and keeps the dialog open
  EXPECT_TRUE(dialog.isVisible());
  dialog.buttons()[1]->click();
  EXPECT_EQ(dialog.result(), mrAll);
}

}  // namespace
}  // namespace rowsmith
