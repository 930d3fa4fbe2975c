#include "nls/mymessagedlgform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "nls/nlssupport.h"
#include "testsupport.h"

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
  EXPECT_EQ(CountButtons({B::mbOK}), 1);
  EXPECT_EQ(CountButtons({B::mbYes, B::mbNo, B::mbCancel}), 3);
  EXPECT_EQ(CountButtons({B::mbYesToAll, B::mbNoToAll}), 0);
  EXPECT_EQ(CountButtons({B::mbYes, B::mbNo, B::mbOK, B::mbCancel, B::mbAbort, B::mbRetry,
                          B::mbIgnore, B::mbAll, B::mbNoToAll, B::mbYesToAll, B::mbHelp}),
            9);
}

TEST_F(MessageDialogTest, ButtonsFollowTheFixedOrderInEqualWidths) {
  struct Case {
    TMsgDlgButtons buttons;
    std::vector<QString> captions;
  };
  const Case cases[] = {
      {{B::mbCancel, B::mbNo, B::mbYes}, {"Ja", "Nein", "Abbruch"}},
      {{B::mbAbort, B::mbHelp}, {"Hilfe", "Abbruch"}},
      {{B::mbAll, B::mbIgnore, B::mbRetry, B::mbOK},
       {"OK", "Wiederholen", "Ignorieren", "Alle"}},
  };
  for (const Case& c : cases) {
    TfrmMyMessageDLGForm dialog;
    dialog.PrepareMessage("Titel", "Text", TMsgDlgType::mtConfirmation, c.buttons);
    const auto& buttons = dialog.buttons();
    ASSERT_EQ(buttons.size(), c.captions.size());
    int slot = dialog.bottomPanel()->width() / static_cast<int>(c.captions.size()) - 8;
    int x = 4;
    for (size_t i = 0; i < buttons.size(); ++i) {
      EXPECT_EQ(buttons[i]->text(), c.captions[i]);
      EXPECT_EQ(buttons[i]->geometry(), QRect(x, 4, slot, 30)) << i;
      x += slot + 8;
    }
  }
  TfrmMyMessageDLGForm three;
  three.PrepareMessage("", "", TMsgDlgType::mtWarning, {B::mbYes, B::mbNo, B::mbCancel});
  EXPECT_EQ(three.buttons()[2]->geometry(), QRect(364, 4, 172, 30));
}

TEST_F(MessageDialogTest, CaptionsComeFromTheLanguageFile) {
  test::writeFileBytes(dir.file("NLS.49"), "[MessageButtons]\r\nMsgOk=Okay\r\n");
  TfrmMyMessageDLGForm dialog;
  dialog.PrepareMessage("", "x", TMsgDlgType::mtInformation, {B::mbOK, B::mbCancel});
  EXPECT_EQ(dialog.buttons()[0]->text(), "Okay");
  EXPECT_EQ(dialog.buttons()[1]->text(), "Abbruch");
  EXPECT_NE(test::readFileBytes(dir.file("NLS.49")).find("MsgCancel=Abbruch"), std::string::npos);
}

TEST_F(MessageDialogTest, TheWindowGrowsInStepsOfEightUntilEveryLineFits) {
  TfrmMyMessageDLGForm oneLine;
  oneLine.PrepareMessage("", "Eine Zeile", TMsgDlgType::mtInformation, {B::mbOK});
  EXPECT_EQ(oneLine.height(), TfrmMyMessageDLGForm::kClientHeight);

  std::string tenLines;
  for (int i = 1; i <= 10; ++i) tenLines += "Zeile " + std::to_string(i) + (i < 10 ? "\r\n" : "");
  TfrmMyMessageDLGForm tall;
  tall.PrepareMessage("", tenLines, TMsgDlgType::mtInformation, {B::mbOK});
  int grown = tall.height() - TfrmMyMessageDLGForm::kClientHeight;
  EXPECT_GT(grown, 0);
  EXPECT_EQ(grown % 8, 0);
  int lineHeight = std::max(15, tall.memo()->fontMetrics().lineSpacing());
  int memoHeight = tall.memo()->contentsRect().height();
  EXPECT_LE(10 * lineHeight + 8, memoHeight);
  EXPECT_GT(10 * lineHeight + 8, memoHeight - 8);
  EXPECT_EQ(tall.bottomPanel()->geometry().bottom(), tall.height() - 1);

  // One long paragraph wraps into several lines and grows the window too.
  std::string paragraph;
  for (int i = 0; i < 120; ++i) paragraph += "Wort ";
  TfrmMyMessageDLGForm wrapped;
  wrapped.PrepareMessage("", paragraph, TMsgDlgType::mtInformation, {B::mbOK});
  EXPECT_GT(wrapped.height(), TfrmMyMessageDLGForm::kClientHeight);
}

TEST_F(MessageDialogTest, ButtonsKeysAndCloseBoxGiveTheirResults) {
  auto press = [](TfrmMyMessageDLGForm& dialog, int key) {
    dialog.show();
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &down);
    return dialog.result();
  };
  struct Case {
    TMsgDlgButtons buttons;
    int key;  // 0: close box
    int expected;
  };
  const Case cases[] = {
      {{B::mbYes, B::mbNo}, Qt::Key_Escape, mrNo},
      {{B::mbOK, B::mbCancel}, Qt::Key_Escape, mrCancel},
      {{B::mbYes, B::mbNo, B::mbCancel}, Qt::Key_Escape, mrNo},
      {{B::mbYes, B::mbNo}, Qt::Key_Return, mrYes},
      {{B::mbOK}, Qt::Key_Return, mrOk},
      {{B::mbYes, B::mbNo}, 0, mrCancel},
  };
  for (const Case& c : cases) {
    TfrmMyMessageDLGForm dialog;
    dialog.PrepareMessage("", "Frage", TMsgDlgType::mtConfirmation, c.buttons);
    int result;
    if (c.key == 0) {
      dialog.show();
      dialog.close();
      result = dialog.result();
    } else {
      result = press(dialog, c.key);
    }
    EXPECT_EQ(result, c.expected) << c.key;
  }

  const std::pair<B, int> clicks[] = {{B::mbAbort, mrAbort}, {B::mbRetry, mrRetry},
                                      {B::mbIgnore, mrIgnore}, {B::mbAll, mrAll}};
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
  dialog.PrepareMessage("", "x", TMsgDlgType::mtCustom, {B::mbOK});
  EXPECT_TRUE(dialog.image()->pixmap().isNull());
  QImage images[4];
  const TMsgDlgType types[] = {TMsgDlgType::mtInformation, TMsgDlgType::mtConfirmation,
                               TMsgDlgType::mtWarning, TMsgDlgType::mtError};
  for (int i = 0; i < 4; ++i) {
    dialog.PrepareMessage("", "x", types[i], {B::mbOK});
    images[i] = dialog.image()->pixmap().toImage();
    EXPECT_FALSE(images[i].isNull());
  }
  EXPECT_NE(images[0], images[3]);
  EXPECT_NE(images[2], images[3]);
}

TEST_F(MessageDialogTest, ShowInfoMessageTitlesWithTheLanguageText) {
  std::vector<std::pair<std::string, std::string>> shown;
  InfoMessageHandler previous = setInfoMessageHandler(
      [&](const std::string& title, const std::string& text) { shown.emplace_back(title, text); });
  EXPECT_EQ(ShowInfoMessage("Fertig"), mrOk);
  setInfoMessageHandler(previous);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, "Information");
  EXPECT_EQ(shown[0].second, "Fertig");
}

}  // namespace
}  // namespace rowsmith

namespace rowsmith {
namespace {

TEST_F(MessageDialogTest, Screenshot) {
  const QString folder = qEnvironmentVariable("ROWSMITH_SCREENSHOT_DIR");
  if (folder.isEmpty()) GTEST_SKIP() << "ROWSMITH_SCREENSHOT_DIR not set";
  TfrmMyMessageDLGForm dialog;
  dialog.PrepareMessage("Information", "3 Zeilen in die Zwischenablage kopiert!",
                        TMsgDlgType::mtInformation, {B::mbOK});
  dialog.show();
  QApplication::processEvents();
  EXPECT_TRUE(dialog.grab().save(folder + "/message-dialog.png"));

  TfrmMyMessageDLGForm question;
  question.PrepareMessage("Frage",
                          "Die Datei besteht bereits.\r\nSoll sie ersetzt werden?\r\n\r\n"
                          "Die bisherige Datei geht dabei verloren.",
                          TMsgDlgType::mtConfirmation, {B::mbYes, B::mbNo, B::mbCancel});
  question.show();
  QApplication::processEvents();
  EXPECT_TRUE(question.grab().save(folder + "/message-dialog-question.png"));
}

}  // namespace
}  // namespace rowsmith
