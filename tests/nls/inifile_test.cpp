#include "nls/inifile.h"

#include <gtest/gtest.h>

#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "support/faults.h"
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
}

// Booleans are integers: non-zero is true; a value that is no signed 32-bit
// decimal (after blanks and one pair of quotes are dropped) gives the default.
TEST_F(TIniFileTest, NonNumericBooleansGiveTheirDefaults) {
  const std::pair<std::string, int> cases[] = {  // 1 true, 0 false, -1 the default
      {"2", 1},    {"-1", 1},  {"\t1\t", 1}, {"\"0\"", 0}, {"'1'", 1}, {"0", 0}, {"ja", -1},
      {"", -1},    {"1.0", -1}, {"1 0", -1},  {"\"0", -1},  {"2147483648", -1}, {std::string("\0" "1", 2), -1},
  };
  for (const auto& [value, number] : cases) {
    TIniFile ini(file("[S]\r\nB=" + value + "\r\n"));
    EXPECT_EQ(ini.ReadBool("S", "B", true), number != 0) << value;
    EXPECT_EQ(ini.ReadBool("S", "B", false), number == 1) << value;
  }
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
      // Lines that end at a lone CR, as old Mac editors wrote them.
      {"[S]\rK=x\r", "Köln", "[S]\rK=x\rL=K\xF6ln\r"},
      {"[S]\rK=x\r\n", "a", "[S]\rK=x\r\nL=a\r\n"},  // with an LF, a lone CR is text
      // UTF-16 with its mark, either byte order: written back as UTF-8.
      {std::string("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\xFC\0\r\0\n\0", 22), "Köln",
       "\xEF\xBB\xBF[S]\r\nK=\xC3\xBC\r\nL=Köln\r\n"},
      {std::string("\xFE\xFF\0[\0S\0]\0\r\0K\0=\0\xFC", 16), "Köln", "\xEF\xBB\xBF[S]\rK=\xC3\xBC\rL=Köln\r"},
  };
  for (const auto& c : cases) {
    TIniFile ini(file(c.before));
    EXPECT_TRUE(ini.WriteString("s", "L", c.value));
    EXPECT_EQ(readFileBytes(path), c.after) << c.value;
    EXPECT_EQ(TIniFile(path).ReadString("S", "L", ""), c.value);
  }
  // Code-page text that would read as UTF-8 once the one other high byte
  // goes is written as UTF-8, so that it reads back the same.
  EXPECT_TRUE(TIniFile(file("[S]\r\nK=\xFC\r\nM=\xC3\xA4\r\n")).WriteString("S", "K", "x"));
  EXPECT_EQ(TIniFile(path).ReadString("S", "M", ""), "\xC3\x83\xC2\xA4");
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

// The disk fills up half-way: the old file stays whole, with what it said,
// and no temporary file is left.
TEST_F(TIniFileTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  const std::string old = "; hand-edited\r\n[S]\r\nK=old\r\nUnknown=keep me\r\n" + std::string(4000, '#') + "\r\n";
  TIniFile ini(file(old));
  bool written = true;
  {
    test::InjectedFaults diskFull(1024);
    ini.BeginUpdate();
    ini.WriteString("S", "K", "new");
    ini.WriteBool("S", "Flag", true);
    written = ini.EndUpdate();
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(readFileBytes(path), old);
  EXPECT_EQ(ini.ReadString("S", "K", ""), "old");
  EXPECT_EQ(test::entryCount(dir.path()), 1);
}

// Two programs saving the same file keep each other's keys: each save reads
// the file again and writes back only the keys it changed.
TEST_F(TIniFileTest, ConcurrentSavesMergeTheirKeys) {
#ifdef _WIN32
  GTEST_SKIP() << "a file open for reading cannot be replaced there";
#endif
  // Threads stand in for programs: no save undoes another.
  file("[S]\r\nShared=0\r\n");
  constexpr int kSaves = 150;
  auto saver = [&](const char* key) {
    for (int i = 1; i <= kSaves; ++i) TIniFile(path).WriteInteger("Counts", key, i);
  };
  std::thread a(saver, "A"), b(saver, "B");
  a.join();
  b.join();
  TIniFile after(path);
  EXPECT_EQ(after.ReadInteger("Counts", "A", 0), kSaves);
  EXPECT_EQ(after.ReadInteger("Counts", "B", 0), kSaves);
}

#ifndef _WIN32
// A pipe would block the start, a device never end: neither is read nor
// written, and the skipped file is named once.
TEST_F(TIniFileTest, OnlyRegularFilesOfBoundedSizeAreReadOrWritten) {
  takeSkippedIniFiles();
  const std::string pipe = dir.file("pipe.ini");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string large = file("[S]\r\nK=v\r\n" + std::string(kMaxIniFileSize, ';'));
  for (const std::string& name : {pipe, large}) {
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("S", "K", "default"), "default") << name;
    EXPECT_FALSE(ini.WriteString("S", "K", "new")) << name;
  }
  EXPECT_EQ(takeSkippedIniFiles(), (std::vector<std::string>{pipe, large}));
  EXPECT_EQ(readFileBytes(large).size(), 10 + kMaxIniFileSize);
}
#endif

}  // namespace
}  // namespace rowsmith
