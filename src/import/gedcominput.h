#pragma once
// The bytes of a GEDCOM file, read once from the start in large chunks: from
// a regular file, a pipe, a device or standard input ("-"). Tells 16-bit
// text from its first bytes and reports progress per chunk.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/usermessages.h"
#include "os/osfile.h"

namespace rowsmith::os {
class File;
}

namespace rowsmith {

// How the file stores its characters. In 16-bit text a CR, LF or byte 26 that
// is only one half of another character (U+040D is 0D 04 in little-endian
// order) must not end a line or the file.
enum class TextUnits { Bytes, Utf16Le, Utf16Be };

// Told by the byte-order mark or by the header's leading "0".
TextUnits detectTextUnits(std::string_view start);
// Index of the first whole character c in data[from, to), or to. A byte is a
// whole character in 16-bit text when it is the low byte of a code unit whose
// high byte is 0; data must begin at an even file offset.
size_t findCharacter(std::string_view data, size_t from, size_t to, char c, TextUnits units);
bool isWholeCharacter(std::string_view data, size_t i, TextUnits units);

// Why reading stopped before the end of the file.
struct ReadFailure {
  enum class Kind {
    None,
    System,     // the system's error: not found, a read error, memory exhausted
    CutShort,   // a regular file grew shorter while it was read
    Cancelled,  // the user's Cancel
  };
  Kind kind = Kind::None;
  os::Error system;  // with System
  uint64_t bytesRead = 0;      // with CutShort
  uint64_t bytesExpected = 0;  // with CutShort
  bool empty() const { return kind == Kind::None; }
  static ReadFailure of(os::Error error) { return {Kind::System, error, 0, 0}; }
};

class GedcomInput {
 public:
  // Up to size bytes into data: 0 at the end, -1 on an error with the
  // system's error in error.
  using Source = std::function<std::ptrdiff_t(char* data, size_t size, os::Error& error)>;
  static constexpr size_t kChunkBytes = 1 << 20;

  // Opens path once; "-" is standard input. False with error set when it
  // cannot be opened.
  bool open(const std::string& path, ReadFailure& failure);
  // Reads from source; size is what progress counts against, 0 when unknown.
  void openSource(Source source, uint64_t size);
  // Progress of the reading goes to messages, whole percent as they change.
  void reportProgressTo(UserMessages* messages) { progress_ = messages; }

  // A regular file can be read in two parts at once.
  bool canSplit() const { return file_ != nullptr && regular_; }
  // Up to size bytes from offset on, without moving on; -1 on an error.
  std::ptrdiff_t readAt(char* data, size_t size, uint64_t offset, os::Error& error) const;
  // The rest of whole's file from offset from on, in whole's text units.
  void openPart(const GedcomInput& whole, uint64_t from);
  // Ends the input at byte end (which progress then counts against).
  void limitTo(uint64_t end) { size_ = limit_ = end; }

  // The next chunk, overwriting the previous one: whole chunks until the
  // last, so each begins at an even file offset. Empty at the end; false on
  // a read error, with error() saying why.
  bool next(std::string_view& chunk);
  TextUnits units() const { return units_; }
  const ReadFailure& failure() const { return failure_; }
  void setFailure(ReadFailure failure) { failure_ = failure; }
  uint64_t bytesRead() const { return done_; }
  uint64_t size() const { return size_; }  // 0 when unknown

 private:
  void report();

  Source source_;
  std::shared_ptr<os::File> file_;
  uint64_t limit_ = UINT64_MAX;
  std::vector<char> buffer_;
  uint64_t size_ = 0;
  uint64_t done_ = 0;
  bool first_ = true;
  bool regular_ = false;
  TextUnits units_ = TextUnits::Bytes;
  ReadFailure failure_;
  UserMessages* progress_ = nullptr;
  int percent_ = -1;
};

}  // namespace rowsmith
