#include "import/indexfiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <new>
#include <cerrno>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "kernel/folders.h"
#include "os/osfile.h"

namespace rowsmith {

namespace {

constexpr size_t kBufferBytes = 1 << 20;

std::string blockFileName(const std::string& folder, const std::string& name) {
  return folder + name + "_" + "BlockRef.Dat";
}

std::string fieldFileName(const std::string& folder, const std::string& name) {
  return folder + name + "_" + "FieldRef.Dat";
}

bool writeAll(int fd, const char* data, size_t size, off_t offset) {
  while (size > 0) {
    ssize_t done = pwrite(fd, data, size, offset);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    size -= static_cast<size_t>(done);
    offset += done;
  }
  return true;
}

// Reads up to size bytes; returns how many arrived before the end or an error.
size_t readAll(int fd, char* data, size_t size, off_t offset, bool& failed) {
  size_t total = 0;
  failed = false;
  while (total < size) {
    ssize_t done = pread(fd, data + total, size - total, offset + static_cast<off_t>(total));
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) {
      failed = true;
      break;
    }
    if (done == 0) break;
    total += static_cast<size_t>(done);
  }
  return total;
}

// One record file opened for appending fixed-size records. The tail of the
// file lives in a buffer; flushing keeps the newest record there, because
// the next link always patches it and should not cost a read and a rewrite.
class RecordFile {
 public:
  explicit RecordFile(size_t recordSize)
      : recordSize_(recordSize), capacity_(kBufferBytes / recordSize) {}
  ~RecordFile() {
    if (fd_ >= 0) ::close(fd_);
  }

  void open(const std::string& path) {
    closeQuietly();
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    struct stat st {};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
    count_ = static_cast<int64_t>(st.st_size) / static_cast<int64_t>(recordSize_);
    flushed_ = count_;
    failed_ = false;
    buffer_.assign(capacity_ * recordSize_, 0);
    buffered_ = 0;
  }

  bool usable() const { return fd_ >= 0 && !failed_; }
  int64_t count() const { return count_; }

  // Room for a record at the end of the file (the caller fills all of it),
  // or nullptr after an I/O error.
  char* append() {
    if (!usable()) return nullptr;
    if (buffered_ == capacity_) {
      if (!flushAllBut(1)) return nullptr;
    }
    char* rec = buffer_.data() + buffered_ * recordSize_;
    ++buffered_;
    ++count_;
    return rec;
  }

  // Overwrites size bytes at offset within record index, in the buffer or on
  // disk; false when the record does not exist or on an error.
  bool patch(int64_t index, size_t offset, const void* bytes, size_t size) {
    if (!usable() || index < 0 || index >= count_) return false;
    if (index >= flushed_) {
      std::memcpy(buffer_.data() + (index - flushed_) * recordSize_ + offset, bytes, size);
      return true;
    }
    if (!writeAll(fd_, static_cast<const char*>(bytes), size, offsetOf(index) + static_cast<off_t>(offset))) {
      failed_ = true;
      return false;
    }
    return true;
  }

  // Flushes everything and closes; false when anything could not be written.
  bool close() {
    if (fd_ < 0) return true;
    bool ok = !failed_ && flushAllBut(0);
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    buffer_.clear();
    buffer_.shrink_to_fit();
    return ok;
  }

  void closeQuietly() { (void)close(); }

 private:
  off_t offsetOf(int64_t index) const { return static_cast<off_t>(index) * static_cast<off_t>(recordSize_); }

  bool flushAllBut(size_t keep) {
    size_t out = buffered_ > keep ? buffered_ - keep : 0;
    if (out == 0) return true;
    if (!writeAll(fd_, buffer_.data(), out * recordSize_, offsetOf(flushed_))) {
      failed_ = true;
      return false;
    }
    std::memmove(buffer_.data(), buffer_.data() + out * recordSize_, (buffered_ - out) * recordSize_);
    buffered_ -= out;
    flushed_ += static_cast<int64_t>(out);
    return true;
  }

  size_t recordSize_;
  size_t capacity_;  // records
  int fd_ = -1;
  bool failed_ = false;
  int64_t count_ = 0;    // records in the file, buffered ones included
  int64_t flushed_ = 0;  // records already on disk; the buffer holds the rest
  std::vector<char> buffer_;
  size_t buffered_ = 0;
};

RecordFile gBlockFile(sizeof(TBlockRec));
RecordFile gFieldFile(sizeof(TFieldRec));

// Out of line, so that the short copies go to the library's memcpy instead
// of string instructions with a high start-up cost.
[[gnu::noinline]] void copyBytes(char* to, const char* from, size_t size) {
  if (size > 0) std::memcpy(to, from, size);
}

template <size_t N>
void putText(uint8_t& len, char (&chars)[N], std::string_view text) {
  size_t n = std::min(text.size(), N);
  len = static_cast<uint8_t>(n);
  copyBytes(chars, text.data(), n);
}

const TFieldRec kEmptyField{};
const TBlockRec kEmptyBlock{};

int32_t clampCount(int64_t count) {
  return count > INT32_MAX ? -1 : static_cast<int32_t>(count);
}

int32_t writeOneField(int32_t blockNo, std::string_view tag, int32_t level, int32_t prevField,
                      std::string_view value) {
  if (!gFieldFile.usable()) return -1;
  const int64_t newIndex = gFieldFile.count();
  if (newIndex >= INT32_MAX) return -1;
  // Link the new record from its predecessor: the last field record when the
  // block already has fields, else the block record itself.
  if (prevField > 0) {
    if (!gFieldFile.patch(newIndex - 1, offsetof(TFieldRec, NextField), &prevField, sizeof prevField)) return -1;
  } else {
    const int32_t first = static_cast<int32_t>(newIndex);
    if (!gBlockFile.patch(static_cast<int64_t>(blockNo) - 1, offsetof(TBlockRec, FirstField), &first, sizeof first)) {
      return -1;
    }
  }
  char* raw = gFieldFile.append();
  if (!raw) return -1;
  // Zero bytes for padding and text tails; a fixed-size copy is the cheapest way.
  std::memcpy(raw, &kEmptyField, sizeof(TFieldRec));
  auto* rec = reinterpret_cast<TFieldRec*>(raw);
  rec->BlockNo = blockNo;
  putText(rec->TagLen, rec->Tag, tag);
  rec->Level = level;
  putText(rec->ValueLen, rec->Value, value);
  rec->NextField = 0;
  return clampCount(gFieldFile.count());
}

// The piece of a long value that goes into one record: 81 characters, or 80
// when the 81st is a space, so that no record ends in a space.
size_t pieceLength(std::string_view value) {
  if (value.size() < 81) return value.size();
  return value[80] == ' ' ? 80 : 81;
}

}  // namespace

bool EraseIndexFiles(const std::string& folder, const std::string& name) {
  if (!forceDirectories(folder)) return false;
  ::unlink(blockFileName(folder, name).c_str());
  ::unlink(fieldFileName(folder, name).c_str());
  return true;
}

void OpenIndexFiles(const std::string& folder, const std::string& name) {
  gBlockFile.open(blockFileName(folder, name));
  gFieldFile.open(fieldFileName(folder, name));
}

int32_t WriteBlock(std::string_view tag, std::string_view xref) {
  if (gBlockFile.count() >= INT32_MAX) return -1;
  char* raw = gBlockFile.append();
  if (!raw) return -1;
  std::memcpy(raw, &kEmptyBlock, sizeof(TBlockRec));
  auto* rec = reinterpret_cast<TBlockRec*>(raw);
  putText(rec->TagLen, rec->Tag, tag);
  putText(rec->XRefLen, rec->XRef, xref);
  rec->FirstField = -1;
  return clampCount(gBlockFile.count());
}

int32_t WriteField(int32_t blockNo, std::string_view tag, int32_t level, int32_t prevField,
                   std::string_view value) {
  if (value.size() <= 96) return writeOneField(blockNo, tag, level, prevField, value);
  size_t len = pieceLength(value);
  int32_t result = writeOneField(blockNo, tag, level, prevField, value.substr(0, len));
  value.remove_prefix(len);
  while (result >= 0 && !value.empty()) {
    len = pieceLength(value);
    result = writeOneField(blockNo, "CONC", level + 1, result, value.substr(0, len));
    value.remove_prefix(len);
  }
  return result;
}

void CloseIndexFiles() {
  bool blocksOk = gBlockFile.close();
  bool fieldsOk = gFieldFile.close();
  if (!blocksOk || !fieldsOk) throw std::runtime_error("The index files could not be written");
}

namespace {

// Reads a whole record file into records (sized from the file length) in one
// pass; on a read error the records not read stay zero-filled.
template <typename Rec>
bool loadRecords(const std::string& path, std::vector<Rec>& records) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    ::close(fd);
    return false;
  }
  size_t count = static_cast<size_t>(st.st_size) / sizeof(Rec);
  records.clear();
  records.reserve(count);
  os::adviseHugePages(records.data(), count * sizeof(Rec));
  records.resize(count);
  char* bytes = reinterpret_cast<char*>(records.data());
  size_t want = count * sizeof(Rec);
  bool failed = false;
  size_t got = readAll(fd, bytes, want, 0, failed);
  ::close(fd);
  if (got < want) {
    std::memset(bytes + got, 0, want - got);
    return false;
  }
  return true;
}

}  // namespace

int32_t LoadIndex(TDBDefaults& db, const std::string& name) {
  const std::string blockPath = blockFileName(db.DBPath, name);
  const std::string fieldPath = fieldFileName(db.DBPath, name);
  struct stat st {};
  if (stat(blockPath.c_str(), &st) != 0 || stat(fieldPath.c_str(), &st) != 0) return -1;
  db.IndexName = name;

  db.FirstIndi = db.FirstFam = db.LastIndi = 0;
  db.BlockXRefs.clear();
  // The field file, much the larger, is read on a second thread while the
  // block file is read and its cross-references sorted.
  std::thread fieldReader;
  std::exception_ptr fieldFailure;
  if (std::thread::hardware_concurrency() >= 2) {
    try {
      fieldReader = std::thread([&] {
        try {
          loadRecords(fieldPath, db.Fields);
        } catch (...) {
          fieldFailure = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // Read below, after the blocks.
    }
  }
  struct JoinOnExit {
    std::thread& t;
    ~JoinOnExit() {
      if (t.joinable()) t.join();
    }
  } joinOnExit{fieldReader};
  loadRecords(blockPath, db.Blocks);
  const int32_t blockCount = static_cast<int32_t>(std::min<size_t>(db.Blocks.size(), INT32_MAX));
  db.BlockXRefs.resize(static_cast<size_t>(blockCount));
  for (int32_t k = 0; k < blockCount; ++k) {
    const TBlockRec& block = db.Blocks[static_cast<size_t>(k)];
    db.BlockXRefs[static_cast<size_t>(k)] = TBlockXRefEntry{k, block.xref()};
    std::string_view tag = block.tag();
    if (tag == "INDI") {
      if (db.FirstIndi == 0) db.FirstIndi = k;
      if (db.FirstIndi != 0) db.LastIndi = k;
    } else if (tag == "FAM" && db.FirstFam == 0) {
      db.FirstFam = k;
    }
  }
  // Sorted also after a read error: the zero-filled entries are plain empty
  // keys, and an unsorted array would make present keys unfindable. Equal
  // keys keep file order so that lookups find the first block.
  std::sort(db.BlockXRefs.begin(), db.BlockXRefs.end(),
            [](const TBlockXRefEntry& a, const TBlockXRefEntry& b) {
              int c = a.XRef.compare(b.XRef);
              return c != 0 ? c < 0 : a.BlockIndex < b.BlockIndex;
            });

  if (fieldReader.joinable()) {
    fieldReader.join();
    if (fieldFailure) std::rethrow_exception(fieldFailure);
  } else {
    loadRecords(fieldPath, db.Fields);
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

}  // namespace rowsmith
