#include "import/indexfiles.h"

#include "kernel/runbeside.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <thread>

#include "os/osfile.h"

namespace rowsmith {

namespace {

constexpr size_t kMaxRecords = std::numeric_limits<int32_t>::max() - 1;

uint64_t tagCode(std::string_view tag) { return fieldTag(tag).code; }
uint8_t tagLength(std::string_view tag) { return static_cast<uint8_t>(std::min<size_t>(tag.size(), 8)); }

uint64_t appendText(std::string& text, std::string_view bytes) {
  const uint64_t offset = text.size();
  text.append(bytes);
  return offset;
}

// The first 8 bytes in the order a byte-wise compare sees them, so that most
// comparisons of the sort are one integer compare.
uint64_t sortPrefix(std::string_view xref) {
  uint64_t prefix = 0;
  for (size_t i = 0; i < 8; ++i)
    prefix = (prefix << 8) | (i < xref.size() ? static_cast<uint8_t>(xref[i]) : 0u);
  return prefix;
}

uint32_t xrefHash(std::string_view key) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ key.size();
  for (unsigned char c : key) h = (h ^ c) * 0x100000001B3ull;
  return static_cast<uint32_t>(h ^ (h >> 29));
}

// Blocks in file order, so that among equal keys the first block keeps the
// slot, as the sorted lookup finds it.
constexpr uint64_t kLongKey = 0xFFFF;

std::string_view slotKey(const TDBDefaults& db, const TDBDefaults::XRefSlot& slot) {
  if ((slot.text >> 48) == kLongKey) return db.xref(db.Blocks[static_cast<size_t>(slot.block)]);
  return {db.Text.data() + (slot.text & ((uint64_t{1} << 48) - 1)), static_cast<size_t>(slot.text >> 48)};
}

void hashXRefs(TDBDefaults& db) {
  size_t slots = 16;
  while (slots < db.Blocks.size() + db.Blocks.size() / 2) slots *= 2;
  db.XRefSlots.assign(slots, TDBDefaults::XRefSlot{});
  const size_t mask = slots - 1;
  for (size_t k = 0; k < db.Blocks.size(); ++k) {
    const TBlockRec& block = db.Blocks[k];
    const std::string_view xref = db.xref(block);
    const uint32_t hash = xrefHash(xref);
    for (size_t s = hash & mask;; s = (s + 1) & mask) {
      TDBDefaults::XRefSlot& slot = db.XRefSlots[s];
      if (slot.block < 0) {
        slot = {hash, static_cast<int32_t>(k), block.XRefOffset | std::min<uint64_t>(xref.size(), kLongKey) << 48};
        break;
      }
      if (slot.hash == hash && slotKey(db, slot) == xref) break;
    }
  }
}

void sortXRefs(TDBDefaults& db) {
  struct Key {
    uint64_t prefix;
    int32_t block;
  };
  std::vector<Key> keys(db.Blocks.size());
  for (size_t k = 0; k < keys.size(); ++k) keys[k] = Key{sortPrefix(db.xref(db.Blocks[k])), static_cast<int32_t>(k)};
  // Equal keys keep file order so that lookups find the first block.
  std::sort(keys.begin(), keys.end(), [&db](const Key& a, const Key& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    int c = db.xref(db.Blocks[static_cast<size_t>(a.block)]).compare(db.xref(db.Blocks[static_cast<size_t>(b.block)]));
    return c != 0 ? c < 0 : a.block < b.block;
  });
  db.BlockXRefs.resize(keys.size());
  for (size_t i = 0; i < keys.size(); ++i)
    db.BlockXRefs[i] = TBlockXRefEntry{keys[i].block, db.xref(db.Blocks[static_cast<size_t>(keys[i].block)])};
}

}  // namespace

uint16_t TDBDefaults::tagNumber(FieldTag tag) {
  constexpr uint16_t kShared = 0xFFFF;
  auto slotOf = [this](FieldTag t) {
    const size_t mask = TagSlots.size() - 1;
    size_t s = static_cast<size_t>((t.code ^ t.length) * 0x9E3779B97F4A7C15ull >> 40) & mask;
    while (TagSlots[s] != 0) {
      const FieldTag& known = Tags[TagSlots[s] - 1];
      if (known.code == t.code && known.length == t.length) break;
      s = (s + 1) & mask;
    }
    return s;
  };
  if (TagSlots.empty()) TagSlots.assign(256, 0);
  size_t s = slotOf(tag);
  if (TagSlots[s] != 0) return static_cast<uint16_t>(TagSlots[s] - 1);
  if (Tags.size() >= kShared) {
    // Code and length of no real tag, so that it matches none.
    if (Tags.size() == kShared) Tags.push_back(FieldTag{~uint64_t{0}, 0});
    return kShared;
  }
  Tags.push_back(tag);
  TagSlots[s] = static_cast<uint32_t>(Tags.size());
  if (Tags.size() * 2 > TagSlots.size()) {
    TagSlots.assign(TagSlots.size() * 2, 0);
    for (size_t n = 0; n < Tags.size(); ++n) TagSlots[slotOf(Tags[n])] = static_cast<uint32_t>(n + 1);
  }
  return static_cast<uint16_t>(Tags.size() - 1);
}

int32_t WriteBlock(TDBDefaults& db, std::string_view tag, std::string_view xref) {
  if (db.Blocks.size() >= kMaxRecords || xref.size() > std::numeric_limits<uint32_t>::max()) return -1;
  TBlockRec& block = db.Blocks.emplace_back();
  block.TagCode = tagCode(tag);
  block.TagLength = tagLength(tag);
  block.XRefOffset = appendText(db.Text, xref);
  block.XRefLength = static_cast<uint32_t>(xref.size());
  return static_cast<int32_t>(db.Blocks.size());
}

int32_t WriteField(TDBDefaults& db, int32_t blockNo, std::string_view tag, int32_t level, int32_t prevField,
                   std::string_view value) {
  if (blockNo < 1 || static_cast<size_t>(blockNo) > db.Blocks.size()) return -1;
  if (db.Fields.size() >= kMaxRecords || value.size() > std::numeric_limits<uint32_t>::max() ||
      db.Text.size() > TFieldRec::kOffsetMask - value.size())
    return -1;
  const int32_t index = static_cast<int32_t>(db.Fields.size());
  // Linked from the block's previous field, which is the last one written,
  // or from the block itself.
  if (prevField > 0) {
    if (db.Fields.empty()) return -1;
    db.Fields.back().NextField = prevField;
  } else {
    db.Blocks[static_cast<size_t>(blockNo) - 1].FirstField = index;
  }
  const uint16_t tagNumber = db.tagNumber(fieldTag(tag));
  TFieldRec& field = db.Fields.emplace_back();
  field.Packed = appendText(db.Text, value) | uint64_t{static_cast<uint8_t>(level)} << 40 | uint64_t{tagNumber} << 48;
  field.ValueLength = static_cast<uint32_t>(value.size());
  return index + 1;
}

int32_t LoadIndex(TDBDefaults& db) {
  static constexpr FieldTag kIndi = fieldTag("INDI"), kFam = fieldTag("FAM");
  db.FirstIndi = db.FirstFam = db.LastIndi = 0;
  db.BlockXRefs.clear();
  const int32_t blockCount = static_cast<int32_t>(db.Blocks.size());
  for (int32_t k = 0; k < blockCount; ++k) {
    const TBlockRec& block = db.Blocks[static_cast<size_t>(k)];
    if (block.is(kIndi)) {
      if (db.FirstIndi == 0) db.FirstIndi = k;
      if (db.FirstIndi != 0) db.LastIndi = k;
    } else if (block.is(kFam) && db.FirstFam == 0) {
      db.FirstFam = k;
    }
  }
  // The hash, which the extraction uses, is built on a second thread while
  // the sorted array is made.
  bool hashed = false, sorted = false;
  const auto hash = [&db, &hashed] {
    try {
      hashXRefs(db);
      hashed = true;
    } catch (const std::bad_alloc&) {
    }
  };
  const auto sort = [&db, &sorted] {
    try {
      sortXRefs(db);
      sorted = true;
    } catch (const std::bad_alloc&) {
    }
  };
  if (blockCount >= 65536) {
    runBeside(hash, sort);
  } else {
    sort();
    hash();
  }
  if (!sorted || !hashed) {
    db.BlockXRefs = TBlockIDX();
    db.XRefSlots = {};
    return -1;
  }
  return blockCount;
}

int32_t FindBlockByXRef(const TBlockIDX& xrefs, std::string_view key) {
  if (xrefs.size() < 10) {
    for (const TBlockXRefEntry& entry : xrefs) {
      if (entry.XRef == key) return entry.BlockIndex;
    }
    return -1;
  }
  auto it = std::lower_bound(xrefs.begin(), xrefs.end(), key,
                             [](const TBlockXRefEntry& entry, std::string_view k) { return entry.XRef < k; });
  if (it == xrefs.end() || it->XRef != key) return -1;
  return it->BlockIndex;
}

int32_t FindBlock(const TDBDefaults& db, std::string_view key) {
  if (db.XRefSlots.empty()) return -1;
  const uint32_t hash = xrefHash(key);
  const size_t mask = db.XRefSlots.size() - 1;
  for (size_t s = hash & mask;; s = (s + 1) & mask) {
    const TDBDefaults::XRefSlot& slot = db.XRefSlots[s];
    if (slot.block < 0) return -1;
    if (slot.hash == hash && slotKey(db, slot) == key) return slot.block;
  }
}

}  // namespace rowsmith
