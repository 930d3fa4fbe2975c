#pragma once
// The block and field index, in memory: one record per level-0 line (a block)
// and per subordinate line (a field), in file order. A record is a few
// integers; the texts of all records lie in one arena, so a million persons
// cost a few hundred bytes each and no file is written.
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rowsmith {

// tag() reads the tag code as its bytes.
static_assert(std::endian::native == std::endian::little);

// A tag as its first 8 bytes read as one number (little-endian), so a tag
// test is one compare; longer tags are cut to 8 characters.
struct FieldTag {
  uint64_t code;
  uint32_t length;
};

constexpr FieldTag fieldTag(std::string_view text) {
  uint64_t code = 0;
  for (size_t i = 0; i < text.size() && i < 8; ++i)
    code |= static_cast<uint64_t>(static_cast<uint8_t>(text[i])) << (8 * i);
  return {code, static_cast<uint32_t>(text.size() < 8 ? text.size() : 8)};
}

struct TBlockRec {
  uint64_t TagCode = 0;     // the rest of the level-0 line, cut to 8 characters
  uint64_t XRefOffset = 0;  // the whole cross-reference, in GedcomIndex::Text
  uint32_t XRefLength = 0;
  int32_t FirstField = -1;  // -1 while the block has no field
  uint8_t TagLength = 0;
  uint32_t XRefHash = 0;  // of the cross-reference, set by WriteBlock while it is at hand

  std::string_view tag() const { return {reinterpret_cast<const char*>(&TagCode), TagLength}; }
  bool is(FieldTag t) const { return TagCode == t.code && TagLength == t.length; }
};

static_assert(sizeof(TBlockRec) == 32);

// 16 bytes: a million persons have some ten million fields. The tag is a
// number in GedcomIndex::Tags.
struct TFieldRec {
  uint64_t Packed = 0;  // value offset in GedcomIndex::Text (40 bits), level (8), tag number (16)
  uint32_t ValueLength = 0;
  int32_t NextField = 0;  // 0 after the block's last field

  static constexpr uint64_t kOffsetMask = (uint64_t{1} << 40) - 1;
  uint64_t valueOffset() const { return Packed & kOffsetMask; }
  // 1..9, -1 when the level is not a digit.
  int32_t level() const { return static_cast<int8_t>(static_cast<uint8_t>(Packed >> 40)); }
  uint16_t tagNumber() const { return static_cast<uint16_t>(Packed >> 48); }
};
static_assert(sizeof(TFieldRec) == 16);

struct TBlockXRefEntry {
  int32_t BlockIndex = 0;
  std::string_view XRef;  // points into the owning GedcomIndex::Text
};

using BlockRecords = std::vector<TBlockRec>;
using TFieldIndex = std::vector<TFieldRec>;
using XRefIndex = std::vector<TBlockXRefEntry>;

struct GedcomIndex {
  BlockRecords Blocks;
  TFieldIndex Fields;
  std::string Text;  // every cross-reference and value, back to back
  // Every field tag once, cut to 8 characters; a file with more than 65,535
  // different tags shares the last number among the rest, which then match
  // no tag the extraction asks for.
  std::vector<FieldTag> Tags;
  std::vector<uint32_t> TagSlots;  // hashed Tags: number + 1, 0 for an empty slot
  int32_t FirstIndi = 0;
  int32_t FirstFam = 0;
  int32_t LastIndi = 0;
  XRefIndex BlockXRefs;  // sorted by XRef as unsigned bytes, by LoadIndex
  // The same cross-references hashed. A slot holds where its key lies in
  // Text, so that a lookup compares without visiting the block.
  struct XRefSlot {
    uint32_t hash = 0;
    int32_t block = -1;  // -1 for an empty slot
    uint64_t text = 0;   // offset (48 bits) and length (16 bits; all ones when longer)
  };
  std::vector<XRefSlot> XRefSlots;

  std::string_view xref(const TBlockRec& block) const { return {Text.data() + block.XRefOffset, block.XRefLength}; }
  std::string_view value(const TFieldRec& field) const {
    return {Text.data() + field.valueOffset(), field.ValueLength};
  }
  const FieldTag& fieldTagOf(const TFieldRec& field) const { return Tags[field.tagNumber()]; }
  std::string_view tag(const TFieldRec& field) const {
    const FieldTag& t = fieldTagOf(field);
    return {reinterpret_cast<const char*>(&t.code), t.length};
  }
  bool is(const TFieldRec& field, FieldTag t) const {
    const FieldTag& own = fieldTagOf(field);
    return own.code == t.code && own.length == t.length;
  }
  // The number of a tag, added when new.
  uint16_t tagNumber(FieldTag tag);

  GedcomIndex() = default;
  GedcomIndex(const GedcomIndex&) = delete;  // BlockXRefs points into Text
  GedcomIndex& operator=(const GedcomIndex&) = delete;
};

// Appends a block; returns its number (block index + 1), -1 when the index is
// full.
int32_t WriteBlock(GedcomIndex& db, std::string_view tag, std::string_view xref);
// Appends a field of block blockNo and links it from prevField (the result of
// the block's previous WriteField, or <= 0 for its first field). Returns the
// number of fields, which is the index the next field gets; -1 when the block
// or the previous field does not exist or the index is full.
int32_t WriteField(GedcomIndex& db, int32_t blockNo, std::string_view tag, int32_t level, int32_t prevField,
                   std::string_view value);
// Makes the written index ready for lookups: the first and last individual,
// the first family, the sorted cross-references. Returns the number of
// blocks; -1, with the lookups left empty, when memory ran out.
int32_t LoadIndex(GedcomIndex& db);
// The block whose cross-reference equals key, the first in file order among
// equal keys; -1 when absent.
int32_t FindBlock(const GedcomIndex& db, std::string_view key);
// The hash FindBlock files cross-references under.
uint32_t xrefHash(std::string_view key);

}  // namespace rowsmith
