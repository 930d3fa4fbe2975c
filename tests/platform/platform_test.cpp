#include "platform/platform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>

namespace rowsmith::platform {
namespace {

TEST(Platform, ScreenTextIsUtf8AndTypedTextComesBackInNfc) {
  const std::string text = "Łódź € Мария 中文";
  EXPECT_EQ(toUtf8(fromUtf8(text)), text);
  EXPECT_EQ(toUtf8(QString::fromUtf8("e\xCC\x81")), "é");
}

TEST(Platform, TheClipboardGetsTheTextUpToItsFirstZeroByte) {
  putClipboardText(std::string("a;\xC3\xA4\0b", 6));
  EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("a;\xC3\xA4"));
  putClipboardText("x\r\ny");
  EXPECT_EQ(QApplication::clipboard()->text(), "x\r\ny");
}

TEST(Platform, CoreMessagesReachThePlainMessageHandler) {
  std::vector<std::string> shown;
  {
    ScopedHandler<PlainMessageHandler, setPlainMessageHandler> plain(
        [&](const std::string& text) { shown.push_back(text); });
    QtUserMessages messages;
    messages.showMessage("12 Personen importiert!");
    showPlainMessage("ERROR - number must be a byte!");
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"12 Personen importiert!",
                                             "ERROR - number must be a byte!"}));
}

}  // namespace
}  // namespace rowsmith::platform
