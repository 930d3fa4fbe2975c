#include "import/splitreading.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/runbeside.h"
#include "os/osfile.h"

namespace rowsmith {

namespace {

// Whether a line holds a character that no conversion turns into a blank.
bool hasPrintable(std::string_view line) {
  return std::any_of(line.begin(), line.end(), [](char c) { return c > 32 && c < 127; });
}

}  // namespace

uint64_t findRecordStart(const GedcomInput& input, uint64_t from, bool lfLines) {
  std::string bytes(64 * 1024, '\0');
  os::Error error;
  const std::ptrdiff_t got = input.readAt(bytes.data(), bytes.size(), from, error);
  if (got <= 0) return 0;
  bytes.resize(static_cast<size_t>(got));
  const char lineEnd = lfLines ? '\n' : '\r';
  size_t lineStart = std::string::npos;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == 26) return 0;
    if (bytes[i] != lineEnd) continue;
    size_t next = i + 1;
    if (!lfLines) {
      if (next >= bytes.size()) return 0;
      if (bytes[next] == '\n') ++next;
    }
    if (lineStart != std::string::npos && hasPrintable(std::string_view(bytes).substr(lineStart, i - lineStart))) {
      size_t k = next;
      while (k < bytes.size() && static_cast<unsigned char>(bytes[k]) <= 32 && bytes[k] != lineEnd) ++k;
      if (k < bytes.size() && bytes[k] == '0') return from + next;
    }
    lineStart = next;
    i = next - 1;
  }
  return 0;
}

// The fields are copied on the second core while the text and the blocks are
// copied here: most of the cost is the first touch of the new pages.
void appendIndex(GedcomIndex& db, const GedcomIndex& part) {
  const uint64_t textBase = db.Text.size();
  const int32_t fieldBase = static_cast<int32_t>(db.Fields.size());
  // The part numbered its tags in its own order.
  std::vector<uint64_t> tagNumbers(part.Tags.size());
  for (size_t n = 0; n < part.Tags.size(); ++n) tagNumbers[n] = uint64_t{db.tagNumber(part.Tags[n])} << 48;
  db.Fields.reserve(db.Fields.size() + part.Fields.size());
  db.Blocks.reserve(db.Blocks.size() + part.Blocks.size());
  db.Text.reserve(db.Text.size() + part.Text.size());
  const auto appendFields = [&db, &part, &tagNumbers, textBase, fieldBase] {
    constexpr uint64_t kTagBits = ~uint64_t{0} << 48;
    for (TFieldRec field : part.Fields) {
      field.Packed = ((field.Packed & ~kTagBits) + textBase) | tagNumbers[field.tagNumber()];
      if (field.NextField > 0) field.NextField += fieldBase;
      db.Fields.push_back(field);
    }
  };
  const auto appendTextAndBlocks = [&db, &part, textBase, fieldBase] {
    db.Text.append(part.Text);
    for (TBlockRec block : part.Blocks) {
      block.XRefOffset += textBase;
      if (block.FirstField >= 0) block.FirstField += fieldBase;
      db.Blocks.push_back(block);
    }
  };
  if (part.Fields.size() >= 65536) {
    runBeside(appendFields, appendTextAndBlocks);
  } else {
    appendFields();
    appendTextAndBlocks();
  }
}

}  // namespace rowsmith
