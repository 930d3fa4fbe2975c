#include "import/gedcomindex.h"

#include "kernel/runbeside.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
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

// Room for n elements, on huge pages where the system has them: the first
// touch of each small page of a fresh array costs more than filling it.
template <class T>
void reserveHuge(std::vector<T>& array, size_t n) {
  array.reserve(n);
  os::adviseHugePages(array.data(), array.capacity() * sizeof(T));
}


// The length a slot gives a key too long for its 16 bits.
constexpr uint64_t kLongKey = 0xFFFF;

std::string_view slotKey(const GedcomIndex& db, const GedcomIndex::XRefSlot& slot) {
  if ((slot.text >> 48) == kLongKey) return db.xref(db.Blocks[static_cast<size_t>(slot.block)]);
  return {db.Text.data() + (slot.text & ((uint64_t{1} << 48) - 1)), static_cast<size_t>(slot.text >> 48)};
}

void hashXRefs(GedcomIndex& db) {
  size_t slots = 16;
  while (slots < db.Blocks.size() + db.Blocks.size() / 2) slots *= 2;
  db.XRefSlots.clear();
  reserveHuge(db.XRefSlots, slots);
  db.XRefSlots.assign(slots, GedcomIndex::XRefSlot{});
  const size_t mask = slots - 1;
  // The blocks go in by the region of the table their slot lies in, so that
  // the table fills front to back instead of at random; within a region in
  // file order, so that among equal keys the first block keeps the slot.
  const int regionBits = std::max(0, static_cast<int>(std::bit_width(mask)) - 8);
  std::vector<uint32_t> regionStart((mask >> regionBits) + 2, 0);
  for (const TBlockRec& block : db.Blocks) ++regionStart[((block.XRefHash & mask) >> regionBits) + 1];
  for (size_t r = 1; r < regionStart.size(); ++r) regionStart[r] += regionStart[r - 1];
  std::vector<GedcomIndex::XRefSlot> ordered;
  reserveHuge(ordered, db.Blocks.size());
  ordered.resize(db.Blocks.size());
  for (size_t k = 0; k < db.Blocks.size(); ++k) {
    const TBlockRec& block = db.Blocks[k];
    ordered[regionStart[(block.XRefHash & mask) >> regionBits]++] = {
        block.XRefHash, static_cast<int32_t>(k),
        block.XRefOffset | std::min<uint64_t>(block.XRefLength, kLongKey) << 48};
  }
  for (const GedcomIndex::XRefSlot& entry : ordered) {
    for (size_t s = entry.hash & mask;; s = (s + 1) & mask) {
      GedcomIndex::XRefSlot& slot = db.XRefSlots[s];
      if (slot.block < 0) {
        slot = entry;
        break;
      }
      if (slot.hash == entry.hash && slotKey(db, slot) == slotKey(db, entry)) break;
    }
  }
}

// A cross-reference for the sort: its first 16 bytes in the order a byte-wise
// compare sees them, so that most comparisons are integer compares. Two keys
// of at most 16 bytes with the same prefix differ only by trailing NUL bytes,
// so the shorter comes first.
struct XRefKey {
  uint64_t high, low;
  uint64_t offset;
  uint32_t length;
  int32_t block;
};

XRefKey xrefKey(const GedcomIndex& db, size_t k) {
  const TBlockRec& block = db.Blocks[k];
  const std::string_view xref = db.xref(block);
  XRefKey key{0, 0, block.XRefOffset, block.XRefLength, static_cast<int32_t>(k)};
  for (size_t i = 0; i < 16; ++i) {
    uint64_t& half = i < 8 ? key.high : key.low;
    half = (half << 8) | (i < xref.size() ? static_cast<uint8_t>(xref[i]) : 0u);
  }
  return key;
}

// Sorted by key, equal keys in file order so that lookups find the first block.
bool xrefBefore(const GedcomIndex& db, const XRefKey& a, const XRefKey& b) {
  if (a.high != b.high) return a.high < b.high;
  if (a.low != b.low) return a.low < b.low;
  if (a.length > 16 || b.length > 16) {
    const int c = std::string_view(db.Text.data() + a.offset, a.length).compare({db.Text.data() + b.offset, b.length});
    if (c != 0) return c < 0;
  } else if (a.length != b.length) {
    return a.length < b.length;
  }
  return a.block < b.block;
}

}  // namespace

// Eight bytes at a time: references are short, and the hash is taken of every
// block when loading and of every reference the extraction follows.
uint32_t xrefHash(std::string_view key) {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  uint64_t h = key.size() * kMultiplier;
  size_t i = 0;
  for (; i + 8 <= key.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, key.data() + i, 8);
    h = (h ^ word) * kMultiplier;
    h ^= h >> 29;
  }
  uint64_t last = 0;
  if (i < key.size()) std::memcpy(&last, key.data() + i, key.size() - i);
  h = (h ^ last) * 0xBF58476D1CE4E5B9ull;
  h ^= h >> 31;
  h *= 0x94D049BB133111EBull;
  return static_cast<uint32_t>(h ^ (h >> 32));
}

uint16_t GedcomIndex::tagNumber(FieldTag tag) {
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

int32_t WriteBlock(GedcomIndex& db, std::string_view tag, std::string_view xref) {
  if (db.Blocks.size() >= kMaxRecords || xref.size() > std::numeric_limits<uint32_t>::max()) return -1;
  TBlockRec& block = db.Blocks.emplace_back();
  block.TagCode = tagCode(tag);
  block.TagLength = tagLength(tag);
  block.XRefOffset = appendText(db.Text, xref);
  block.XRefLength = static_cast<uint32_t>(xref.size());
  block.XRefHash = xrefHash(xref);
  return static_cast<int32_t>(db.Blocks.size());
}

int32_t WriteField(GedcomIndex& db, int32_t blockNo, std::string_view tag, int32_t level, int32_t prevField,
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

int32_t LoadIndex(GedcomIndex& db) {
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
  // The hash, which the extraction uses, is built on a second thread, which
  // then sorts the last third of the cross-references while this one sorts
  // the rest; the two runs are merged from both ends at once.
  try {
    const size_t n = db.Blocks.size();
    const bool beside = n >= 65536;
    const size_t middle = beside ? n * 2 / 3 : n;
    // Left uninitialised: each thread fills its own part.
    const std::unique_ptr<XRefKey[]> keys(new XRefKey[n]);
    os::adviseHugePages(keys.get(), n * sizeof(XRefKey));
    const auto before = [&db](const XRefKey& a, const XRefKey& b) { return xrefBefore(db, a, b); };
    const auto sortRun = [&](size_t from, size_t to) {
      for (size_t k = from; k < to; ++k) keys[k] = xrefKey(db, k);
      std::sort(keys.get() + from, keys.get() + to, before);
    };
    const auto hashAndSortBack = [&] {
      hashXRefs(db);
      sortRun(middle, n);
    };
    if (beside) {
      runBeside(hashAndSortBack, [&] { sortRun(0, middle); });
    } else {
      sortRun(0, middle);
      hashAndSortBack();
    }
    reserveHuge(db.BlockXRefs, n);
    db.BlockXRefs.resize(n);
    const auto entry = [&db](const XRefKey& key) {
      return TBlockXRefEntry{key.block, {db.Text.data() + key.offset, key.length}};
    };
    // The front half takes the smallest keys, the back half the largest.
    const size_t half = n / 2;
    const auto mergeFront = [&] {
      size_t front = 0, back = middle;
      for (size_t i = 0; i < half; ++i) {
        const bool fromFront = back == n || (front != middle && before(keys[front], keys[back]));
        db.BlockXRefs[i] = entry(keys[fromFront ? front++ : back++]);
      }
    };
    const auto mergeBack = [&] {
      size_t front = middle, back = n;
      for (size_t i = n; i > half; --i) {
        const bool fromFront = back == middle || (front != 0 && before(keys[back - 1], keys[front - 1]));
        db.BlockXRefs[i - 1] = entry(keys[fromFront ? --front : --back]);
      }
    };
    if (beside) {
      runBeside(mergeBack, mergeFront);
    } else {
      mergeFront();
      mergeBack();
    }
  } catch (const std::bad_alloc&) {
    db.BlockXRefs = XRefIndex();
    db.XRefSlots = {};
    return -1;
  }
  return blockCount;
}

int32_t FindBlock(const GedcomIndex& db, std::string_view key) {
  if (db.XRefSlots.empty()) return -1;
  const uint32_t hash = xrefHash(key);
  const size_t mask = db.XRefSlots.size() - 1;
  for (size_t s = hash & mask;; s = (s + 1) & mask) {
    const GedcomIndex::XRefSlot& slot = db.XRefSlots[s];
    if (slot.block < 0) return -1;
    if (slot.hash == hash && slotKey(db, slot) == key) return slot.block;
  }
}

}  // namespace rowsmith
