#include "nls/inifile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include <csignal>

#include <sys/resource.h>

#include "testsupport.h"

namespace rowsmith {
namespace {

using test::readFileBytes;
using test::TempDir;
using test::writeFileBytes;

TEST(TIniFile, ReadsValuesWithTheReaderRules) {
  TempDir dir;
  std::string path = dir.file("a.ini");
  writeFileBytes(path,
                 "[Alpha]\r\n"
                 "Plain=text\r\n"
                 "  Padded  =   two words   \r\n"
                 "Double=\"  quoted  \"\r\n"
                 "Single='x'\r\n"
                 "Unpaired=\"open\r\n"
                 "TwoPairs=\"\"inner\"\"\r\n"
                 "Empty=\r\n"
                 "Equals=a=b\r\n"
                 "\xC4rger=umlaut\r\n"
                 "[Beta]\r\n"
                 "Plain=other\r\n");
  TIniFile ini(path);
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"Alpha", "Plain", "text"},
      {"ALPHA", "plain", "text"},
      {" alpha ", "PADDED", "two words"},
      {"Alpha", "Double", "  quoted  "},
      {"Alpha", "Single", "x"},
      {"Alpha", "Unpaired", "\"open"},
      {"Alpha", "TwoPairs", "\"inner\""},
      {"Alpha", "Empty", ""},
      {"Alpha", "Equals", "a=b"},
      {"alpha", "\xE4rger", "umlaut"},
      {"Beta", "Plain", "other"},
      {"Beta", "Missing", "<default>"},
      {"Gamma", "Plain", "<default>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected)
        << c.section << "/" << c.key;
  }
}

TEST(TIniFile, ReadsAtMost2047Characters) {
  TempDir dir;
  std::string path = dir.file("long.ini");
  writeFileBytes(path, "[S]\nK=" + std::string(3000, 'x') + "\n");
  EXPECT_EQ(TIniFile(path).ReadString("S", "K", "").size(), 2047u);
}

TEST(TIniFile, IntegersAndBooleansFallBackOnAnythingButADecimalNumber) {
  TempDir dir;
  std::string path = dir.file("n.ini");
  writeFileBytes(path, "[S]\nA=44\nB=-1\nC=abc\nD=\nE=0\nF=12x\nG= 7 \n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("S", "A", 5), 44);
  EXPECT_EQ(ini.ReadInteger("S", "B", 5), -1);
  EXPECT_EQ(ini.ReadInteger("S", "C", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "D", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "F", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "G", 5), 7);
  EXPECT_EQ(ini.ReadInteger("S", "Missing", 5), 5);
  EXPECT_TRUE(ini.ReadBool("S", "A", false));
  EXPECT_FALSE(ini.ReadBool("S", "E", true));
  EXPECT_TRUE(ini.ReadBool("S", "C", true));
  EXPECT_FALSE(ini.ReadBool("S", "C", false));
}

TEST(TIniFile, WritingReplacesTheKeyLineInPlaceAndKeepsEverythingElse) {
  TempDir dir;
  std::string path = dir.file("w.ini");
  writeFileBytes(path,
                 "; comment\r\n"
                 "[One]\r\n"
                 "Key=old\r\n"
                 "Other=1\r\n"
                 "\r\n"
                 "[Two]\r\n"
                 "Key=two\r\n");
  {
    TIniFile ini(path);
    EXPECT_TRUE(ini.WriteString("one", "KEY", "new value"));
    EXPECT_TRUE(ini.WriteString("One", "Added", "a"));
    EXPECT_TRUE(ini.WriteInteger("Three", "Number", -7));
    EXPECT_TRUE(ini.WriteBool("Two", "Flag", true));
  }
  EXPECT_EQ(readFileBytes(path),
            "; comment\r\n"
            "[One]\r\n"
            "Key=new value\r\n"
            "Other=1\r\n"
            "Added=a\r\n"
            "\r\n"
            "[Two]\r\n"
            "Key=two\r\n"
            "Flag=1\r\n"
            "\r\n"
            "[Three]\r\n"
            "Number=-7\r\n");
}

TEST(TIniFile, CreatesAMissingFileAndKeepsLineEndsOfAnExistingOne) {
  TempDir dir;
  std::string fresh = dir.file("fresh.ini");
  EXPECT_TRUE(TIniFile(fresh).WriteString("S", "K", "v"));
  EXPECT_EQ(readFileBytes(fresh), "[S]\r\nK=v\r\n");

  std::string unixFile = dir.file("lf.ini");
  writeFileBytes(unixFile, "[S]\nK=v");
  EXPECT_TRUE(TIniFile(unixFile).WriteString("S", "L", "w"));
  EXPECT_EQ(readFileBytes(unixFile), "[S]\nK=v\nL=w\n");
}

TEST(TIniFile, AValueStaysOneLine) {
  TempDir dir;
  std::string path = dir.file("l.ini");
  TIniFile ini(path);
  EXPECT_TRUE(ini.WriteString("S", "K", "a\r\n[Evil]\nb"));
  EXPECT_EQ(readFileBytes(path), "[S]\r\nK=a  [Evil] b\r\n");
  EXPECT_EQ(TIniFile(path).ReadString("Evil", "b", "none"), "none");
}

TEST(TIniFile, BatchedWritesReplaceTheFileOnce) {
  TempDir dir;
  std::string path = dir.file("b.ini");
  TIniFile ini(path);
  ini.BeginUpdate();
  ini.WriteString("S", "A", "1");
  ini.WriteString("S", "B", "2");
  EXPECT_FALSE(test::fileExists(path));
  EXPECT_TRUE(ini.EndUpdate());
  EXPECT_EQ(readFileBytes(path), "[S]\r\nA=1\r\nB=2\r\n");
}

TEST(TIniFile, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  TempDir dir;
  std::string path = dir.file("x.ini");
  const std::string old = "[S]\r\nK=old\r\n";
  writeFileBytes(path, old);
  // A file-size limit makes the write fail half-way, even for root.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  TIniFile ini(path);
  bool written = ini.WriteString("S", "K", std::string(200, 'n'));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousSignal);

  EXPECT_FALSE(written);
  EXPECT_EQ(readFileBytes(path), old);
  EXPECT_EQ(ini.ReadString("S", "K", ""), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(TIniFile, AWriteIntoAMissingFolderFailsWithoutCreatingIt) {
  TempDir dir;
  EXPECT_FALSE(TIniFile(dir.file("missing/y.ini")).WriteString("S", "K", "v"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

}  // namespace
}  // namespace rowsmith
