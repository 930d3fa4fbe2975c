#include "ui/mymessagedlgform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
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

TEST(CountButtons, CountsTheNineLaidOutKinds) {
  EXPECT_EQ(CountButtons({B::mbYesToAll, B::mbNoToAll}), 0);
  EXPECT_EQ(CountButtons({B::mbYes, B::mbNo, B::mbOK, B::mbCancel, B::mbAbort, B::mbRetry, B::mbIgnore, B::mbAll,
                          B::mbNoToAll, B::mbYesToAll, B::mbHelp}),
            9);
}

TEST_F(MessageDialogTest, ButtonsFollowTheFixedOrderInEqualWidthsWithLanguageFileCaptions) {
  test::writeFileBytes(dir.file("NLS.49"), "[MessageButtons]\r\nMsgOk=Okay\r\n");
  const std::pair<TMsgDlgButtons, std::vector<QString>> cases[] = {
      {{B::mbCancel, B::mbNo, B::mbYes}, {"Ja", "Nein", "Abbruch"}},
      {{B::mbAbort, B::mbHelp}, {"Hilfe", "Abbruch"}},
      {{B::mbAll, B::mbIgnore, B::mbRetry, B::mbOK}, {"Okay", "Wiederholen", "Ignorieren", "Alle"}},
  };
  for (const auto& [kinds, captions] : cases) {
    TfrmMyMessageDLGForm dialog;
    dialog.PrepareMessage("Titel", "Text", TMsgDlgType::mtConfirmation, kinds);
    const auto& buttons = dialog.buttons();
    ASSERT_EQ(buttons.size(), captions.size());
    const int slot = dialog.bottomPanel()->width() / static_cast<int>(captions.size()) - 8;
    for (size_t i = 0; i < buttons.size(); ++i) {
      EXPECT_EQ(buttons[i]->text(), captions[i]);
      EXPECT_EQ(buttons[i]->geometry(), QRect(4 + static_cast<int>(i) * (slot + 8), 4, slot, 30)) << i;
    }
    if (captions.size() == 3) EXPECT_EQ(buttons[2]->geometry(), QRect(364, 4, 172, 30));
  }
  EXPECT_NE(test::readFileBytes(dir.file("NLS.49")).find("MsgCancel=Abbruch"), std::string::npos);
}

TEST_F(MessageDialogTest, TheWindowGrowsInStepsOfEightUntilEveryLineFits) {
  TfrmMyMessageDLGForm oneLine;
  oneLine.PrepareMessage("", "Eine Zeile", TMsgDlgType::mtInformation, {B::mbOK});
  EXPECT_EQ(oneLine.height(), TfrmMyMessageDLGForm::kClientHeight);

  std::string tenLines = "Zeile";
  for (int i = 2; i <= 10; ++i) tenLines += "\r\nZeile " + std::to_string(i);
  TfrmMyMessageDLGForm tall;
  tall.PrepareMessage("", tenLines, TMsgDlgType::mtInformation, {B::mbOK});
  const int grown = tall.height() - TfrmMyMessageDLGForm::kClientHeight;
  EXPECT_GT(grown, 0);
  EXPECT_EQ(grown % 8, 0);
  const int needed = 10 * std::max(15, tall.memo()->fontMetrics().lineSpacing()) + 8;
  const int memoHeight = tall.memo()->contentsRect().height();
  EXPECT_TRUE(needed <= memoHeight && needed > memoHeight - 8) << needed << " " << memoHeight;
  EXPECT_EQ(tall.bottomPanel()->geometry().bottom(), tall.height() - 1);

  std::string paragraph;  // one long paragraph wraps into several lines
  for (int i = 0; i < 120; ++i) paragraph += "Wort ";
  TfrmMyMessageDLGForm wrapped;
  wrapped.PrepareMessage("", paragraph, TMsgDlgType::mtInformation, {B::mbOK});
  EXPECT_GT(wrapped.height(), TfrmMyMessageDLGForm::kClientHeight);
}

TEST_F(MessageDialogTest, ButtonsKeysAndCloseBoxGiveTheirResults) {
  const std::tuple<TMsgDlgButtons, int, int> cases[] = {  // key 0: the close box
      {{B::mbYes, B::mbNo}, Qt::Key_Escape, mrNo},   {{B::mbOK, B::mbCancel}, Qt::Key_Escape, mrCancel},
      {{B::mbYes, B::mbNo, B::mbCancel}, Qt::Key_Escape, mrNo}, {{B::mbYes, B::mbNo}, Qt::Key_Return, mrYes},
      {{B::mbYes, B::mbNo}, 0, mrCancel},
  };
  for (const auto& [kinds, key, expected] : cases) {
    TfrmMyMessageDLGForm dialog;
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
  const std::pair<B, int> clicks[] = {{B::mbAbort, mrAbort}, {B::mbRetry, mrRetry}, {B::mbIgnore, mrIgnore},
                                      {B::mbAll, mrAll}};
  for (const auto& [kind, expected] : clicks) {
    TfrmMyMessageDLGForm dialog;
    dialog.PrepareMessage("", "x", TMsgDlgType::mtError, {kind, B::mbHelp});
    dialog.show();
    dialog.buttons()[0]->click();  // Help comes first and keeps the dialog open
    EXPECT_TRUE(dialog.isVisible());
    dialog.buttons()[1]->click();
    EXPECT_EQ(dialog.result(), expected);
  }
}

TEST_F(MessageDialogTest, TheTypeChoosesTheIcon) {
  TfrmMyMessageDLGForm dialog;
  auto icon = [&](TMsgDlgType type) {
    dialog.PrepareMessage("", "x", type, {B::mbOK});
    return dialog.image()->pixmap().toImage();
  };
  EXPECT_TRUE(icon(TMsgDlgType::mtCustom).isNull());
  EXPECT_FALSE(icon(TMsgDlgType::mtConfirmation).isNull());
  const QImage error = icon(TMsgDlgType::mtError);
  EXPECT_FALSE(error.isNull());
  EXPECT_NE(icon(TMsgDlgType::mtWarning), error);
  EXPECT_NE(icon(TMsgDlgType::mtInformation), error);
}

TEST_F(MessageDialogTest, ShowInfoMessageTitlesWithTheLanguageText) {
  std::vector<std::pair<std::string, std::string>> shown;
  InfoMessageHandler previous = setInfoMessageHandler(
      [&](const std::string& title, const std::string& text) { shown.emplace_back(title, text); });
  EXPECT_EQ(ShowInfoMessage("Fertig"), mrOk);
  setInfoMessageHandler(previous);
  EXPECT_EQ(shown, (std::vector<std::pair<std::string, std::string>>{{"Information", "Fertig"}}));
}

TEST_F(MessageDialogTest, Screenshot) {
  const QString folder = qEnvironmentVariable("ROWSMITH_SCREENSHOT_DIR");
  if (folder.isEmpty()) GTEST_SKIP() << "ROWSMITH_SCREENSHOT_DIR not set";
  TfrmMyMessageDLGForm dialog;
  dialog.PrepareMessage("Information", "3 Zeilen in die Zwischenablage kopiert!", TMsgDlgType::mtInformation, {B::mbOK});
  dialog.show();
  QApplication::processEvents();
  EXPECT_TRUE(dialog.grab().save(folder + "/message-dialog.png"));
  TfrmMyMessageDLGForm question;
  question.PrepareMessage("Frage", "Die Datei besteht bereits.\r\nSoll sie ersetzt werden?\r\n\r\n"
                          "Die bisherige Datei geht dabei verloren.",
                          TMsgDlgType::mtConfirmation, {B::mbYes, B::mbNo, B::mbCancel});
  question.show();
  QApplication::processEvents();
  EXPECT_TRUE(question.grab().save(folder + "/message-dialog-question.png"));
}

}  // namespace
}  // namespace rowsmith
