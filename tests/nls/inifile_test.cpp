#include "nls/inifile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <iterator>

#include <sys/resource.h>

#include "support/testsupport.h"

namespace rowsmith {
namespace {

using test::readFileBytes;
using test::writeFileBytes;

class TIniFileTest : public ::testing::Test {
 protected:
  std::string file(const std::string& content) {
    writeFileBytes(path, content);
    return path;
  }
  test::TempDir dir;
  std::string path = dir.file("a.ini");
};

TEST_F(TIniFileTest, ReadsValuesWithTheReaderRules) {
  TIniFile ini(file("[Alpha]\r\nPlain=text\r\n  Padded  =   two words   \r\nDouble=\"  quoted  \"\r\n"
                    "Single='x'\r\nUnpaired=\"open\r\nTwoPairs=\"\"inner\"\"\r\nEquals=a=b\r\n\xC4rger=umlaut\r\n"
                    "Long=" + std::string(3000, 'x') + "\r\n[Beta]\r\nPlain=other\r\n"
                    "A=44\nB=-1\nC=abc\nE=0\nF=12x\nG= 7 \n"));
  const std::tuple<const char*, const char*, std::string> strings[] = {
      {"ALPHA", "plain", "text"},        {" alpha ", "PADDED", "two words"}, {"Alpha", "Double", "  quoted  "},
      {"Alpha", "Single", "x"},          {"Alpha", "Unpaired", "\"open"},    {"Alpha", "TwoPairs", "\"inner\""},
      {"Alpha", "Equals", "a=b"},        {"alpha", "ärger", "umlaut"},    {"Beta", "Plain", "other"},
      {"Beta", "Missing", "<default>"},  {"Gamma", "Plain", "<default>"},    {"Alpha", "Long", std::string(2047, 'x')},
  };
  for (const auto& [section, key, expected] : strings)
    EXPECT_EQ(ini.ReadString(section, key, "<default>"), expected) << section << "/" << key;
  const std::pair<const char*, int> integers[] = {{"A", 44}, {"B", -1}, {"C", 5}, {"F", 5}, {"G", 7}, {"Missing", 5}};
  for (const auto& [key, expected] : integers) EXPECT_EQ(ini.ReadInteger("Beta", key, 5), expected) << key;
  EXPECT_TRUE(ini.ReadBool("Beta", "A", false));
  EXPECT_FALSE(ini.ReadBool("Beta", "E", true));
  EXPECT_FALSE(ini.ReadBool("Beta", "C", false));
}

TEST_F(TIniFileTest, WritingReplacesTheKeyLineInPlaceAndKeepsEverythingElse) {
  {
    TIniFile ini(file("; comment\r\n[One]\r\nKey=old\r\nOther=1\r\n\r\n[Two]\r\nKey=two\r\n"));
    EXPECT_TRUE(ini.WriteString("one", "KEY", "new value"));
    EXPECT_TRUE(ini.WriteString("One", "Added", "a\r\n[Evil]\nb"));  // a value stays one line
    EXPECT_TRUE(ini.WriteInteger("Three", "Number", -7));
    EXPECT_TRUE(ini.WriteBool("Two", "Flag", true));
  }
  EXPECT_EQ(readFileBytes(path),
            "; comment\r\n[One]\r\nKey=new value\r\nOther=1\r\nAdded=a  [Evil] b\r\n\r\n"
            "[Two]\r\nKey=two\r\nFlag=1\r\n\r\n[Three]\r\nNumber=-7\r\n");

  EXPECT_TRUE(TIniFile(file("[S]\nK=v")).WriteString("S", "L", "w"));
  EXPECT_EQ(readFileBytes(path), "[S]\nK=v\nL=w\n");
}

TEST_F(TIniFileTest, KeepsTheEncodingReadUnlessAValueNeedsMore) {
  const struct {
    std::string before, value, after;
  } cases[] = {
      {"[S]\r\nK=M\xFCller\r\n", "Köln", "[S]\r\nK=M\xFCller\r\nL=K\xF6ln\r\n"},
      {"[S]\r\nK=M\xFCller\r\n", "Łódź", "[S]\r\nK=Müller\r\nL=Łódź\r\n"},
      {"[S]\r\nK=Müller\r\n", "Köln", "[S]\r\nK=Müller\r\nL=Köln\r\n"},
      {"\xEF\xBB\xBF[S]\r\nK=x\r\n", "Köln", "\xEF\xBB\xBF[S]\r\nK=x\r\nL=Köln\r\n"},
      {"[S]\r\nK=x\r\n", "Köln", "[S]\r\nK=x\r\nL=K\xF6ln\r\n"},
  };
  for (const auto& c : cases) {
    TIniFile ini(file(c.before));
    EXPECT_TRUE(ini.WriteString("s", "L", c.value));
    EXPECT_EQ(readFileBytes(path), c.after) << c.value;
    EXPECT_EQ(TIniFile(path).ReadString("S", "L", ""), c.value);
  }
  // A stray byte in a value is its Windows-1252 character, so the file stays
  // UTF-8 and its other values readable.
  TIniFile ini(file("[S]\r\nK=Łódź\r\n"));
  EXPECT_TRUE(ini.WriteString("S", "L", "K\xF6ln"));
  EXPECT_EQ(readFileBytes(path), "[S]\r\nK=Łódź\r\nL=Köln\r\n");
}

TEST_F(TIniFileTest, BatchedWritesCreateTheFileOnce) {
  TIniFile ini(path);
  ini.BeginUpdate();
  ini.WriteString("S", "A", "1");
  ini.WriteString("S", "B", "2");
  EXPECT_FALSE(test::fileExists(path));
  EXPECT_TRUE(ini.EndUpdate());
  EXPECT_EQ(readFileBytes(path), "[S]\r\nA=1\r\nB=2\r\n");
}

TEST_F(TIniFileTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  const std::string old = "[S]\r\nK=old\r\n";
  TIniFile ini(file(old));
  // A file-size limit makes the write fail half-way, even for root.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = ini.WriteString("S", "K", std::string(200, 'n'));
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousSignal);

  EXPECT_FALSE(written);
  EXPECT_EQ(readFileBytes(path), old);
  EXPECT_EQ(ini.ReadString("S", "K", ""), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);

  EXPECT_FALSE(TIniFile(dir.file("missing/y.ini")).WriteString("S", "K", "v"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

}  // namespace
}  // namespace rowsmith
