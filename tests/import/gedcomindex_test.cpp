#include "import/gedcomindex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace rowsmith {
namespace {

// Tags are numbered in 16 bits; past 65,535 different ones the rest share a
// number that matches no tag, while every earlier tag keeps its own.
TEST(IndexFiles, TagsBeyondTheNumberedOnesMatchNothing) {
  GedcomIndex db;
  ASSERT_EQ(WriteBlock(db, "HEAD", ""), 1);
  int32_t prev = WriteField(db, 1, "NAME", 1, -1, "first");
  for (int i = 0; i < 70000; ++i) prev = WriteField(db, 1, "T" + std::to_string(i), 1, prev, "");
  prev = WriteField(db, 1, "NAME", 1, prev, "last");
  ASSERT_EQ(prev, 70002);
  EXPECT_TRUE(db.is(db.Fields.back(), fieldTag("NAME")));
  EXPECT_EQ(db.tag(db.Fields[65534]), "T65533");
  EXPECT_EQ(db.tag(db.Fields[65535]), "");
  EXPECT_FALSE(db.is(db.Fields[65535], fieldTag("")));
  EXPECT_EQ(db.Fields[65535].tagNumber(), db.Fields[69999].tagNumber());
}

TEST(IndexFiles, WritesFailOnLinksToNothing) {
  GedcomIndex db;
  EXPECT_EQ(WriteField(db, 1, "NAME", 1, -1, "x"), -1);  // block 1 does not exist yet
  ASSERT_EQ(WriteBlock(db, "HEAD", ""), 1);
  EXPECT_EQ(WriteField(db, 1, "NAME", 1, 5, "x"), -1);  // no previous field to link
  EXPECT_EQ(WriteField(db, 0, "NAME", 1, -1, "x"), -1);
  EXPECT_TRUE(db.Fields.empty());
}

TEST(IndexFiles, LoadIndexFindsFirstAndLastRecordsByExactTag) {
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
    GedcomIndex db;
    for (const auto& tag : c.tags) WriteBlock(db, tag, "");
    EXPECT_EQ(LoadIndex(db), static_cast<int32_t>(c.tags.size()));
    EXPECT_EQ(db.FirstIndi, c.firstIndi) << c.tags[1];
    EXPECT_EQ(db.FirstFam, c.firstFam) << c.tags[1];
    EXPECT_EQ(db.LastIndi, c.lastIndi) << c.tags[1];
  }
}

TEST(IndexFiles, FindBlockOnSmallAndLargeIndexes) {
  EXPECT_EQ(FindBlock(GedcomIndex{}, ""), -1);
  const std::string shared(32, 's');
  for (int n : {0, 1, 8, 9, 10, 11, 17, 100, 1000}) {
    // Keys in shuffled file order, with duplicates, bytes above 127, and
    // long references that share their first 32 characters.
    std::vector<std::string> xrefs;
    for (int i = 0; i < n; ++i) xrefs.push_back("@I" + std::to_string(i) + "@");
    if (n >= 4) {
      xrefs[static_cast<size_t>(n / 2)] = "@I\xE4@";
      xrefs[static_cast<size_t>(n - 1)] = "@I1@";  // duplicate of an earlier block
      xrefs[static_cast<size_t>(n - 2)] = "@" + shared + "one@";
      xrefs[static_cast<size_t>(n - 3)] = "@" + shared + "two@";
    }
    std::shuffle(xrefs.begin(), xrefs.end(), std::mt19937(static_cast<unsigned>(n)));
    GedcomIndex db;
    WriteBlock(db, "HEAD", "");
    for (const auto& x : xrefs) WriteBlock(db, "INDI", x);
    LoadIndex(db);
    ASSERT_EQ(db.BlockXRefs.size(), xrefs.size() + 1);

    EXPECT_EQ(FindBlock(db, ""), 0) << n;
    for (size_t i = 0; i < xrefs.size(); ++i) {
      auto first = std::find(xrefs.begin(), xrefs.end(), xrefs[i]) - xrefs.begin();
      EXPECT_EQ(FindBlock(db, xrefs[i]), first + 1) << n << " " << xrefs[i];
    }
    for (const std::string& absent : std::vector<std::string>{"@", "@A@", "@I@", "@I1", "@I10000@", "@Z@", "\xFF",
                                                              "@I\xE4@x", "@" + shared, "@" + shared + "@"}) {
      EXPECT_EQ(FindBlock(db, absent), -1) << n << " " << absent;
    }
  }
}

// Large indexes are sorted in two runs and hashed on a second thread.
TEST(IndexFiles, LargeIndexesSortByBytesAndFindTheFirstOfEqualKeys) {
  GedcomIndex db;
  constexpr int kBlocks = 70000;
  for (int i = 0; i < kBlocks; ++i) {
    const std::string tail = i % 7 == 0 ? std::string(20, static_cast<char>(i % 3 ? 'x' : '\xE4')) : "";
    WriteBlock(db, "INDI", "@I" + std::to_string(i % 50000) + tail + "@");
  }
  ASSERT_EQ(LoadIndex(db), kBlocks);
  ASSERT_EQ(db.BlockXRefs.size(), size_t{kBlocks});
  for (size_t i = 1; i < db.BlockXRefs.size(); ++i) {
    const TBlockXRefEntry &a = db.BlockXRefs[i - 1], &b = db.BlockXRefs[i];
    ASSERT_TRUE(a.XRef < b.XRef || (a.XRef == b.XRef && a.BlockIndex < b.BlockIndex)) << i;
  }
  for (size_t i = 0; i < db.BlockXRefs.size(); ++i) {
    const TBlockXRefEntry& e = db.BlockXRefs[i];
    if (i == 0 || db.BlockXRefs[i - 1].XRef != e.XRef) {
      ASSERT_EQ(FindBlock(db, e.XRef), e.BlockIndex) << e.XRef;
    }
    ASSERT_EQ(db.xref(db.Blocks[static_cast<size_t>(e.BlockIndex)]), e.XRef);
  }
}

}  // namespace
}  // namespace rowsmith
