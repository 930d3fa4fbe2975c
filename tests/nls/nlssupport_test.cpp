#include "nls/nlssupport.h"

#include <gtest/gtest.h>

#include "nls/inifile.h"
#include "testsupport.h"

namespace rowsmith {
namespace {

using test::readFileBytes;
using test::TempDir;
using test::writeFileBytes;

TEST(TrimToLetter, RemovesTrailingNonLetters) {
  const std::pair<const char*, const char*> cases[] = {
      {"Button1", "Button"}, {"BitBtn1", "BitBtn"},   {"Label12", "Label"},
      {"a_b_ 1.", "a_b"},    {"123", ""},             {"", ""},
      {"ok\xE4", "ok"},      {"BitBtn1_Hint", "BitBtn1_Hint"},
      {"lower", "lower"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(TrimToLetter(text), expected) << text;
}

class GetNLSTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nls.setLanguageFolder(dir.path());
    nls.SetLanguage(49);
  }
  std::string file() const { return dir.file("NLS.49"); }

  TempDir dir;
  TNLS nls;
};

TEST(TNLS, StartsWithoutALanguageAndOnlyRemembersTheChoice) {
  TempDir dir;
  TNLS nls;
  nls.setLanguageFolder(dir.path());
  EXPECT_EQ(nls.LanguageID, -1);
  EXPECT_EQ(nls.languageFileName(), dir.file("NLS.-1"));
  nls.SetLanguage(44);
  EXPECT_EQ(nls.languageFileName(), dir.file("NLS.44"));
  EXPECT_FALSE(test::fileExists(dir.file("NLS.44")));
}

TEST_F(GetNLSTextTest, FillsAFreshFileWithEncodedDefaults) {
  EXPECT_EQ(nls.GetNLSText("Information", "LinesCopied", "%s Zeilen kopiert!"),
            "%s Zeilen kopiert!");
  EXPECT_EQ(nls.GetNLSText("frmX", "Memo1", "a\r\nb\nc"), "a\r\nb\nc");
  EXPECT_EQ(readFileBytes(file()),
            "[Information]\r\n"
            "LinesCopied=%s Zeilen kopiert!\r\n"
            "\r\n"
            "[frmX]\r\n"
            "Memo=a<#13><#10>b<#10>c\r\n");
}

TEST_F(GetNLSTextTest, ReadsAnEditedFile) {
  writeFileBytes(file(),
                 "[MessageButtons]\r\n"
                 "MsgOk=Okay\r\n"
                 "MsgYes=  Yes  \r\n"
                 "[frmX]\r\n"
                 "Label=Zeile<#13><#10>zwei\r\n");
  struct Case {
    const char* section;
    const char* key;
    const char* defaultText;
    const char* expected;
  };
  const Case cases[] = {
      {"MessageButtons", "MsgOk", "OK", "Okay"},
      {"messagebuttons", "MSGOK", "OK", "Okay"},
      {"MessageButtons", "MsgYes", "Ja", "Yes"},
      {"frmX", "Label12", "x", "Zeile\r\nzwei"},
      {"frmX", "Label2", "x", "Zeile\r\nzwei"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(nls.GetNLSText(c.section, c.key, c.defaultText), c.expected) << c.key;
  }
}

TEST_F(GetNLSTextTest, AValueThatBeginsTheDefaultGetsTheDefaultsTail) {
  writeFileBytes(file(),
                 "[S]\r\n"
                 "Two=first \r\n"
                 "Other=different\r\n"
                 "Long=" + std::string(3000, 'x') + "\r\n");
  EXPECT_EQ(nls.GetNLSText("S", "Two", "first second"), "first second");
  EXPECT_EQ(nls.GetNLSText("S", "Other", "first second"), "different");
  // A value cut by the reader gets at most 255 characters of its tail back.
  EXPECT_EQ(nls.GetNLSText("S", "Long", std::string(3000, 'x')), std::string(2047 + 255, 'x'));
}

TEST_F(GetNLSTextTest, BlankNamesAndEmptyDefaultsLeaveTheFileAlone) {
  EXPECT_EQ(nls.GetNLSText("", "Key", "default"), "default");
  EXPECT_EQ(nls.GetNLSText("  ", "Key", "default"), "default");
  EXPECT_EQ(nls.GetNLSText("S", "123", "default"), "default");
  EXPECT_EQ(nls.GetNLSText("S", "Key", ""), "");
  EXPECT_FALSE(test::fileExists(file()));

  writeFileBytes(file(), "[S]\r\nKey=stored\r\n");
  EXPECT_EQ(nls.GetNLSText("S", "Key", ""), "");
  EXPECT_EQ(readFileBytes(file()), "[S]\r\nKey=stored\r\n");
}

TEST_F(GetNLSTextTest, AnEmptyValueIsRefilledWithTheDefault) {
  writeFileBytes(file(), "[S]\r\nKey=\r\nNext=1\r\n");
  EXPECT_EQ(nls.GetNLSText("S", "Key", "Text"), "Text");
  EXPECT_EQ(readFileBytes(file()), "[S]\r\nKey=Text\r\nNext=1\r\n");
}

TEST_F(GetNLSTextTest, AnUnwritableFileStillGivesTheDefault) {
  nls.setLanguageFolder(dir.file("no/such/folder/"));
  EXPECT_EQ(nls.GetNLSText("S", "Key", "a\r\nb"), "a\r\nb");
}

TEST_F(GetNLSTextTest, TheFileIsReadAtEveryLookup) {
  EXPECT_EQ(nls.GetNLSText("S", "Key", "one"), "one");
  writeFileBytes(file(), "[S]\r\nKey=two\r\n");
  EXPECT_EQ(nls.GetNLSText("S", "Key", "one"), "two");
}

}  // namespace
}  // namespace rowsmith
