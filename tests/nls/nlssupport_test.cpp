#include "nls/nlssupport.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "os/osfile.h"
#include "support/testsupport.h"

namespace rowsmith {
namespace {

using namespace std::string_view_literals;
using test::readFileBytes;
using test::writeFileBytes;

TEST(TrimToLetter, RemovesTrailingNonLetters) {
  const std::pair<const char*, const char*> cases[] = {
      {"BitBtn1", "BitBtn"}, {"a_b_ 1.", "a_b"}, {"123", ""}, {"ok\xE4", "ok"}, {"BitBtn1_Hint", "BitBtn1_Hint"},
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

  test::TempDir dir;
  TNLS nls;
};

TEST_F(GetNLSTextTest, FillsAFreshFileWithEncodedDefaultsAndLeavesBlankNamesAlone) {
  EXPECT_EQ(TNLS().LanguageID, -1);
  for (const auto& [section, key] : {std::pair{"", "Key"}, {"  ", "Key"}, {"S", "123"}})
    EXPECT_EQ(nls.GetNLSText(section, key, "default"), "default");
  EXPECT_EQ(nls.GetNLSText("S", "Key", ""), "");
  EXPECT_FALSE(test::fileExists(file()));

  EXPECT_EQ(nls.GetNLSText("Information", "LinesCopied", "%s Zeilen kopiert!"), "%s Zeilen kopiert!");
  EXPECT_EQ(nls.GetNLSText("frmX", "Memo1", "a\r\nb\nc"), "a\r\nb\nc");
  EXPECT_EQ(readFileBytes(file()),
            "[Information]\r\nLinesCopied=%s Zeilen kopiert!\r\n\r\n[frmX]\r\nMemo=a<#13><#10>b<#10>c\r\n");
}

TEST_F(GetNLSTextTest, ReadsAnEditedFileAtEveryLookup) {
  const std::string x3000(3000, 'x');
  writeFileBytes(file(), "[MessageButtons]\r\nMsgOk=Okay\r\nMsgYes=  Yes  \r\n[frmX]\r\nLabel=Zeile<#13><#10>zwei\r\n"
                         "[S]\r\nTwo=first \r\nKey=\r\nNext=1\r\nLong=" + x3000 + "\r\nCut=" + x3000 + "\r\n");
  const std::tuple<const char*, const char*, std::string, std::string> cases[] = {
      {"messagebuttons", "MSGOK", "OK", "Okay"},
      {"MessageButtons", "MsgYes", "Ja", "Yes"},
      {"frmX", "Label12", "x", "Zeile\r\nzwei"},
      // A value that begins the default gets the default's tail.
      {"S", "Two", "first second", "first second"},
      // A value cut by the reader gets at most 255 characters of its tail back;
      // one that does not begin the default stays cut.
      {"S", "Long", x3000, std::string(2047 + 255, 'x')},
      {"S", "Cut", "Go", std::string(2047, 'x')},
      {"S", "Key", "Text", "Text"},
      {"S", "Next", "", ""},
      // A missing key is stored with its whole default, which this lookup answers.
      {"S", "New", x3000, x3000},
  };
  for (const auto& [section, key, defaultText, expected] : cases)
    EXPECT_EQ(nls.GetNLSText(section, key, defaultText), expected) << key;
  // The empty value was refilled; nothing else changed.
  EXPECT_NE(readFileBytes(file()).find("\r\nKey=Text\r\nNext=1\r\n"), std::string::npos);
  writeFileBytes(file(), "[S]\r\nKey=two\r\n");
  EXPECT_EQ(nls.GetNLSText("S", "Key", "one"), "two");
}

TEST_F(GetNLSTextTest, AnUnwritableFileStillGivesTheDefault) {
  nls.setLanguageFolder(dir.file("no/such/folder/"));
  EXPECT_EQ(nls.GetNLSText("S", "Key", "a\r\nb"), "a\r\nb");
}

TEST(StartLanguage, DefaultsChooseOtherwiseTheLocaleDecides) {
  const struct {
    const char* main;
    int32_t id;
    const char* locale;
    bool english;
    int32_t expected;
  } cases[] = {
      {"English", 44, "de_DE", true, 44}, {"x", -1, "en_GB", true, -1}, {"", 44, "de_AT", true, 49},
      {"", -1, "en_US", true, 44},        {"", -1, "fr_FR", false, 49}, {"", -1, "C", true, 44},
  };
  for (const auto& c : cases)
    EXPECT_EQ(startLanguage(c.main, c.id, c.locale, c.english), c.expected) << c.main << " " << c.locale;
}

TEST_F(GetNLSTextTest, SystemCausesComeInTheLanguageOfTheFile) {
  const TNLS saved = NLS();
  NLS() = nls;
  writeFileBytes(file(), "[Causes]\r\nNoSpace=Platte voll\r\n");
  EXPECT_EQ(causeText(os::errorNotFound()), "Datei nicht gefunden");
  EXPECT_EQ(causeText(os::errorIsFolder()), "Das ist ein Ordner");
  EXPECT_EQ(causeText(os::errorOfKind(os::ErrorKind::NoSpace)), "Platte voll");
  EXPECT_EQ(causeText(os::errorOfKind(os::ErrorKind::Other)), os::errorOfKind(os::ErrorKind::Other).text());
  EXPECT_EQ(causeText(ReadFailure{ReadFailure::Kind::CutShort, {}, 10, 20}), "Die Datei endete nach 10 von 20 Bytes");
  NLS() = saved;
  EXPECT_EQ(replacePlaceholder("%s fehlt %s", "a%sb"), "a%sb fehlt %s");
}

// Real sections between garbage lines are found; "[Common\0TXT]" is another
// section; a text added goes into its own section.
TEST_F(GetNLSTextTest, SectionsBetweenGarbageLinesAreFound) {
  const std::string content = std::string("\x00\xFF\x01[=]\xFE=\r\r==\r\n"sv) +
                              "[CommonTXT]\r\n\x1A\x7F\x80 = \x9F\r\nAllFileFilter = \"Alle Dateien (*)\"\r\n" +
                              std::string("[Common\0TXT]\r\nGedComFileFilter=falsch\r\n"sv) + "\xFF\xFE[\r\n=\r\n";
  writeFileBytes(file(), content);
  EXPECT_EQ(nls.GetNLSText("CommonTXT", "AllFileFilter", "Alle Dateien"), "Alle Dateien (*)");
  EXPECT_EQ(readFileBytes(file()), content);
  EXPECT_EQ(nls.GetNLSText("CommonTXT", "GedComFileFilter", "GedCom Dateien"), "GedCom Dateien");
  const std::string added = "GedComFileFilter=GedCom Dateien\r\n";
  std::string expected = content;
  expected.insert(content.find("[Common\0TXT]"sv), added);
  EXPECT_EQ(readFileBytes(file()), expected);
}

}  // namespace
}  // namespace rowsmith
