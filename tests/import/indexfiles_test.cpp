#include "import/indexfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace rowsmith {
namespace {

using test::TempDir;

// Record bytes built from the documented offsets, independent of the structs.
void putInt(std::string& rec, size_t offset, int32_t value) {
  uint32_t v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) rec[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putText(std::string& rec, size_t offset, std::string_view text) {
  rec[offset] = static_cast<char>(text.size());
  std::memcpy(rec.data() + offset + 1, text.data(), text.size());
}

std::string blockBytes(std::string_view tag, std::string_view xref, int32_t firstField) {
  std::string rec(48, '\0');
  putText(rec, 0, tag);
  putText(rec, 9, xref);
  putInt(rec, 44, firstField);
  return rec;
}

std::string fieldBytes(int32_t blockNo, std::string_view tag, int32_t level, std::string_view value,
                       int32_t next) {
  std::string rec(124, '\0');
  putInt(rec, 0, blockNo);
  putText(rec, 4, tag);
  putInt(rec, 16, level);
  putText(rec, 20, value);
  putInt(rec, 120, next);
  return rec;
}

class IndexFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = dir.path() + "work/db/";
    ASSERT_TRUE(EraseIndexFiles(folder, kIndexName));
    OpenIndexFiles(folder, kIndexName);
  }
  void TearDown() override {
    try {
      CloseIndexFiles();
    } catch (...) {
    }
  }
  std::string blockFile() const { return test::readFileBytes(folder + kIndexName + "_BlockRef.Dat"); }
  std::string fieldFile() const { return test::readFileBytes(folder + kIndexName + "_FieldRef.Dat"); }
  void load(TDBDefaults& db) {
    CloseIndexFiles();
    db.DBPath = folder;
    LoadIndex(db, kIndexName);
  }

  TempDir dir;
  std::string folder;
};

TEST_F(IndexFilesTest, WritesRecordsAtTheDocumentedOffsets) {
  EXPECT_EQ(WriteBlock("HEAD", ""), 1);
  EXPECT_EQ(WriteField(1, "SOUR", 1, -1, "Gen"), 1);
  EXPECT_EQ(WriteField(1, "CHAR", 1, 1, "UTF-8"), 2);
  EXPECT_EQ(WriteBlock("INDI", "@I1@"), 2);
  EXPECT_EQ(WriteBlock("NOTE Som", "@N1@"), 3);
  EXPECT_EQ(WriteField(3, "CONT", 1, -1, "  two spaces"), 3);
  EXPECT_EQ(WriteBlock("TRAILERTAG", std::string(40, 'x')), 4);
  CloseIndexFiles();

  std::string blocks = blockBytes("HEAD", "", 0) + blockBytes("INDI", "@I1@", -1) +
                       blockBytes("NOTE Som", "@N1@", 2) + blockBytes("TRAILERT", std::string(32, 'x'), -1);
  std::string fields = fieldBytes(1, "SOUR", 1, "Gen", 1) + fieldBytes(1, "CHAR", 1, "UTF-8", 0) +
                       fieldBytes(3, "CONT", 1, "  two spaces", 0);
  EXPECT_EQ(blockFile(), blocks);
  EXPECT_EQ(fieldFile(), fields);
}

TEST_F(IndexFilesTest, SplitsLongValuesIntoConcFieldsOneLevelDeeper) {
  struct Case {
    std::string value;
    std::vector<std::string> pieces;
  };
  std::string a96(96, 'a');
  std::string a97(97, 'a');
  std::string spaceAt81 = std::string(80, 'b') + " " + std::string(16, 'c');
  std::string spaceAt80 = std::string(79, 'b') + " " + std::string(17, 'c');
  std::string long250(250, 'd');
  std::vector<Case> cases = {
      {a96, {a96}},
      {a97, {std::string(81, 'a'), std::string(16, 'a')}},
      {spaceAt81, {std::string(80, 'b'), " " + std::string(16, 'c')}},
      {spaceAt80, {spaceAt80.substr(0, 81), std::string(16, 'c')}},
      {long250, {std::string(81, 'd'), std::string(81, 'd'), std::string(81, 'd'), std::string(7, 'd')}},
  };
  ASSERT_EQ(WriteBlock("HEAD", ""), 1);
  std::string expected;
  int32_t count = 0;
  for (size_t i = 0; i < cases.size(); ++i) {
    int32_t block = WriteBlock("INDI", "@I" + std::to_string(i) + "@");
    int32_t result = WriteField(block, "NOTE", 2, -1, cases[i].value);
    count += static_cast<int32_t>(cases[i].pieces.size());
    EXPECT_EQ(result, count) << "case " << i;
    const auto& pieces = cases[i].pieces;
    for (size_t p = 0; p < pieces.size(); ++p) {
      int32_t index = count - static_cast<int32_t>(pieces.size()) + static_cast<int32_t>(p);
      int32_t next = p + 1 < pieces.size() ? index + 1 : 0;
      expected += p == 0 ? fieldBytes(block, "NOTE", 2, pieces[p], next) : fieldBytes(block, "CONC", 3, pieces[p], next);
    }
  }
  CloseIndexFiles();
  EXPECT_EQ(fieldFile(), expected);
}

TEST_F(IndexFilesTest, WritesFailWithoutOpenFilesOrBadLinks) {
  EXPECT_EQ(WriteField(1, "NAME", 1, -1, "x"), -1);  // block 1 does not exist yet
  ASSERT_EQ(WriteBlock("HEAD", ""), 1);
  EXPECT_EQ(WriteField(1, "NAME", 1, 5, "x"), -1);  // no previous field to link
  EXPECT_EQ(WriteField(0, "NAME", 1, -1, "x"), -1);
  CloseIndexFiles();
  EXPECT_EQ(WriteBlock("INDI", ""), -1);
  EXPECT_EQ(WriteField(1, "NAME", 1, -1, "x"), -1);
}

TEST_F(IndexFilesTest, OpeningKeepsExistingRecordsAndAppends) {
  ASSERT_EQ(WriteBlock("HEAD", ""), 1);
  CloseIndexFiles();
  OpenIndexFiles(folder, kIndexName);
  EXPECT_EQ(WriteBlock("INDI", "@I1@"), 2);
  EXPECT_EQ(WriteField(2, "NAME", 1, -1, "A"), 1);
  CloseIndexFiles();
  EXPECT_EQ(blockFile(), blockBytes("HEAD", "", -1) + blockBytes("INDI", "@I1@", 0));
}

TEST_F(IndexFilesTest, EraseRemovesBothFilesAndNeedsAFolder) {
  WriteBlock("HEAD", "");
  CloseIndexFiles();
  EXPECT_TRUE(EraseIndexFiles(folder, kIndexName));
  EXPECT_FALSE(test::fileExists(folder + kIndexName + "_BlockRef.Dat"));
  EXPECT_FALSE(test::fileExists(folder + kIndexName + "_FieldRef.Dat"));
  EXPECT_FALSE(EraseIndexFiles("", kIndexName));
  test::writeFileBytes(dir.file("plainfile"), "x");
  EXPECT_FALSE(EraseIndexFiles(dir.file("plainfile/sub/"), kIndexName));
}

// Many records cross the write buffers' boundaries; every link must still
// point where the invariants say.
TEST_F(IndexFilesTest, LinksSurviveBufferFlushes) {
  std::mt19937 rng(7);
  std::vector<int> fieldsPerBlock;
  ASSERT_EQ(WriteBlock("HEAD", ""), 1);
  fieldsPerBlock.push_back(0);
  for (int b = 1; b < 3000; ++b) {
    int n = b == 1500 ? 20000 : static_cast<int>(rng() % 30);
    int32_t blockNo = WriteBlock("INDI", "@I" + std::to_string(b) + "@");
    ASSERT_EQ(blockNo, b + 1);
    int32_t prev = -1;
    for (int f = 0; f < n; ++f) prev = WriteField(blockNo, "NAME", 1, prev, std::to_string(f));
    ASSERT_GE(prev, n == 0 ? -1 : 1);
    fieldsPerBlock.push_back(n);
  }
  TDBDefaults db;
  load(db);
  ASSERT_EQ(db.Blocks.size(), fieldsPerBlock.size());
  int32_t index = 0;
  for (size_t b = 0; b < fieldsPerBlock.size(); ++b) {
    int n = fieldsPerBlock[b];
    ASSERT_EQ(db.Blocks[b].FirstField, n == 0 ? -1 : index) << "block " << b;
    for (int f = 0; f < n; ++f, ++index) {
      const TFieldRec& rec = db.Fields[static_cast<size_t>(index)];
      ASSERT_EQ(rec.BlockNo, static_cast<int32_t>(b + 1));
      ASSERT_EQ(rec.value(), std::to_string(f));
      ASSERT_EQ(rec.NextField, f + 1 < n ? index + 1 : 0) << "field " << index;
    }
  }
  EXPECT_EQ(db.Fields.size(), static_cast<size_t>(index));
}

TEST_F(IndexFilesTest, LoadIndexFindsFirstAndLastRecordsByExactTag) {
  struct Case {
    std::vector<std::string> tags;
    int32_t firstIndi, firstFam, lastIndi;
  };
  std::vector<Case> cases = {
      {{"HEAD", "SUBM", "INDI", "FAM", "INDI", "INDIX", "FAM", "NOTE Som"}, 2, 3, 4},
      {{"HEAD", "SOUR", "NOTE"}, 0, 0, 0},
      {{"HEAD", "INDI"}, 1, 0, 1},
      {{"HEAD", "FAMILY", "FAM"}, 0, 2, 0},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(EraseIndexFiles(folder, kIndexName));
    OpenIndexFiles(folder, kIndexName);
    for (const auto& tag : c.tags) WriteBlock(tag, "");
    TDBDefaults db;
    load(db);
    EXPECT_EQ(db.IndexName, kIndexName);
    EXPECT_EQ(db.Blocks.size(), c.tags.size());
    EXPECT_EQ(db.FirstIndi, c.firstIndi) << c.tags[1];
    EXPECT_EQ(db.FirstFam, c.firstFam) << c.tags[1];
    EXPECT_EQ(db.LastIndi, c.lastIndi) << c.tags[1];
  }
}

TEST(IndexFiles, LoadIndexWithoutFilesLeavesTheArraysEmpty) {
  TempDir dir;
  TDBDefaults db;
  db.DBPath = dir.path();
  LoadIndex(db, kIndexName);
  EXPECT_TRUE(db.Blocks.empty() && db.Fields.empty() && db.BlockXRefs.empty() && db.IndexName.empty());
}

// Blocks in the given file order (the header first, with no cross-reference).
void loadBlocks(const std::string& folder, const std::vector<std::string>& xrefs, TDBDefaults& db) {
  ASSERT_TRUE(EraseIndexFiles(folder, kIndexName));
  OpenIndexFiles(folder, kIndexName);
  WriteBlock("HEAD", "");
  for (const auto& x : xrefs) WriteBlock("INDI", x);
  CloseIndexFiles();
  db.DBPath = folder;
  LoadIndex(db, kIndexName);
}

TEST(IndexFiles, FindBlockByXRefOnSmallAndLargeIndexes) {
  EXPECT_EQ(FindBlockByXRef(TBlockIDX{}, ""), -1);
  TempDir dir;
  for (int n : {0, 1, 8, 9, 10, 11, 17, 100, 1000}) {
    // Keys in shuffled file order, with duplicates and bytes above 127.
    std::vector<std::string> xrefs;
    for (int i = 0; i < n; ++i) xrefs.push_back("@I" + std::to_string(i) + "@");
    if (n >= 3) {
      xrefs[static_cast<size_t>(n / 2)] = "@I\xE4@";
      xrefs[static_cast<size_t>(n - 1)] = "@I1@";  // duplicate of an earlier block
    }
    std::shuffle(xrefs.begin(), xrefs.end(), std::mt19937(static_cast<unsigned>(n)));
    TDBDefaults db;
    loadBlocks(dir.path(), xrefs, db);
    ASSERT_EQ(db.BlockXRefs.size(), xrefs.size() + 1);

    EXPECT_EQ(FindBlockByXRef(db.BlockXRefs, ""), 0) << n;
    for (size_t i = 0; i < xrefs.size(); ++i) {
      auto first = std::find(xrefs.begin(), xrefs.end(), xrefs[i]) - xrefs.begin();
      EXPECT_EQ(FindBlockByXRef(db.BlockXRefs, xrefs[i]), first + 1) << n << " " << xrefs[i];
    }
    for (std::string absent : {"@", "@A@", "@I@", "@I1", "@I10000@", "@Z@", "\xFF", "@I\xE4@x"}) {
      EXPECT_EQ(FindBlockByXRef(db.BlockXRefs, absent), -1) << n << " " << absent;
    }
  }
}

}  // namespace
}  // namespace rowsmith
