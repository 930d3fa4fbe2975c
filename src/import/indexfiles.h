#pragma once
// The block and field index: one fixed-size record per level-0 line
// (BlockRef.Dat, 48 bytes) and per subordinate line (FieldRef.Dat, 124
// bytes), little-endian, texts with a length byte. In memory the records
// keep exactly their file layout, so loading is one read per file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rowsmith {

#pragma pack(push, 1)
struct TBlockRec {
  uint8_t TagLen = 0;
  char Tag[8] = {};
  uint8_t XRefLen = 0;
  char XRef[32] = {};
  char Padding[2] = {};
  int32_t FirstField = -1;

  std::string_view tag() const { return {Tag, TagLen > 8 ? 8u : TagLen}; }
  std::string_view xref() const { return {XRef, XRefLen > 32 ? 32u : XRefLen}; }
};

struct TFieldRec {
  int32_t BlockNo = 0;
  uint8_t TagLen = 0;
  char Tag[8] = {};
  char Padding1[3] = {};
  int32_t Level = 0;
  uint8_t ValueLen = 0;
  char Value[96] = {};
  char Padding2[3] = {};
  int32_t NextField = 0;

  std::string_view tag() const { return {Tag, TagLen > 8 ? 8u : TagLen}; }
  std::string_view value() const { return {Value, ValueLen > 96 ? 96u : ValueLen}; }
};
#pragma pack(pop)
static_assert(sizeof(TBlockRec) == 48);
static_assert(sizeof(TFieldRec) == 124);

struct TBlockXRefEntry {
  int32_t BlockIndex = 0;
  std::string_view XRef;  // points into the owning TDBDefaults::Blocks
};

using TBlockIndex = std::vector<TBlockRec>;
using TFieldIndex = std::vector<TFieldRec>;
using TBlockIDX = std::vector<TBlockXRefEntry>;

struct TDBDefaults {
  std::string DBPath;     // the work folder, with trailing "/"
  std::string IndexName;  // "_gedcomconvert_" once loaded
  TBlockIndex Blocks;
  TFieldIndex Fields;
  int32_t FirstIndi = 0;
  int32_t FirstFam = 0;
  int32_t LastIndi = 0;
  TBlockIDX BlockXRefs;  // sorted by XRef as unsigned bytes

  TDBDefaults() = default;
  TDBDefaults(const TDBDefaults&) = delete;  // BlockXRefs points into Blocks
  TDBDefaults& operator=(const TDBDefaults&) = delete;
};

inline constexpr const char* kIndexName = "_gedcomconvert_";

// Creates the folder, deletes both files; false only when the folder cannot
// be made.
bool EraseIndexFiles(const std::string& folder, const std::string& name);
void OpenIndexFiles(const std::string& folder, const std::string& name);
// Returns the new block's number (from 1), -1 on an I/O error.
int32_t WriteBlock(std::string_view tag, std::string_view xref);
// Returns the number of field records after writing, -1 on an I/O error.
// Values over 96 characters are split into the field and CONC fields.
int32_t WriteField(int32_t blockNo, std::string_view tag, int32_t level, int32_t prevField,
                   std::string_view value);
// Flushes and closes; throws std::runtime_error on a write error.
void CloseIndexFiles();
// Loads both files from db.DBPath into db, one read per file. Returns the
// number of blocks; -1 (nothing loaded) when a file is missing.
int32_t LoadIndex(TDBDefaults& db, const std::string& name);
// The BlockIndex of the entry whose XRef equals key; the first block in file
// order among equal keys; -1 when absent.
int32_t FindBlockByXRef(const TBlockIDX& xrefs, std::string_view key);

}  // namespace rowsmith
