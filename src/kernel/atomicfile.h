#pragma once
// Replacing a file whole: the bytes go to a temporary file beside the target,
// are flushed to disk and renamed over the target, so a crash, a full disk or
// a failed write leaves the previous file as it was and no partial file.
// A target that is a device, a pipe or the name of an open descriptor
// (/dev/stdout) is written straight into instead.
#include <string>
#include <string_view>

#include "os/osfile.h"

namespace rowsmith {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { abandon(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Prepares writing target: a symbolic link is followed (the link stays), a
  // read-only file is refused. On failure error holds the cause.
  bool open(const std::string& target, std::string* error = nullptr);
  bool write(std::string_view bytes);
  // Flushes and puts the new file in place; a failure leaves the old one.
  bool commit(std::string* error = nullptr);
  // Drops the temporary file; the target stays as it was.
  void abandon();

  // The temporary file, empty when writing straight into the target.
  const std::string& temporaryPath() const { return temporary_; }
  const std::string& targetPath() const { return target_; }
  // Why the last step failed.
  const os::Error& error() const { return error_; }

 private:
  bool fail(std::string* error);

  std::string target_;
  std::string temporary_;
  os::File file_;
  unsigned mode_ = 0;
  bool keepMode_ = false;
  bool failed_ = false;
  os::Error error_;
};

// A name for a temporary file beside path that stays within the folder's
// limit on name length whatever the target's name.
std::string temporaryNameBeside(const std::string& path, size_t maxNameLength);

// One-shot form of AtomicFile.
bool writeFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

}  // namespace rowsmith
