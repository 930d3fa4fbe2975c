#include "platform/platform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>

namespace rowsmith::platform {
namespace {

TEST(Platform, ScreenTextIsWindows1252) {
  const std::string bytes("Gr\xFC\xDF" "e \x80 \x84Zitat\x93 \x9F", 17);
  QString shown = fromCp1252(bytes);
  EXPECT_EQ(shown, QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xE2\x80\x9EZitat\xE2\x80\x9C \xC5\xB8"));
  EXPECT_EQ(toCp1252(shown), bytes);
  EXPECT_EQ(toCp1252(QString::fromUtf8("\xCE\xA9")), "?");
}

TEST(Platform, TheClipboardGetsTheTextUpToItsFirstZeroByte) {
  putClipboardText(std::string("a;\xE4\0b", 5));
  EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("a;\xC3\xA4"));
  putClipboardText("x\r\ny");
  EXPECT_EQ(QApplication::clipboard()->text(), "x\r\ny");
}

TEST(Platform, CoreMessagesReachThePlainMessageHandler) {
  std::vector<std::string> shown;
  PlainMessageHandler previous =
      setPlainMessageHandler([&](const std::string& text) { shown.push_back(text); });
  QtUserMessages messages;
  UserMessages* before = setUserMessages(&messages);
  userMessages().showMessage("12 Personen importiert!");
  showPlainMessage("ERROR - number must be a byte!");
  setUserMessages(before);
  setPlainMessageHandler(previous);
  EXPECT_EQ(shown, (std::vector<std::string>{"12 Personen importiert!",
                                             "ERROR - number must be a byte!"}));
}

}  // namespace
}  // namespace rowsmith::platform
