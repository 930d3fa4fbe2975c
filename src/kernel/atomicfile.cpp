#include "kernel/atomicfile.h"

#include <cstdio>
#include <random>

namespace rowsmith {

namespace {

std::pair<std::string, std::string> splitFolder(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {"", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// Cuts a UTF-8 name to at most bytes without splitting a character.
std::string cutName(const std::string& name, size_t bytes) {
  if (name.size() <= bytes) return name;
  size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return name.substr(0, end);
}

}  // namespace

std::string temporaryNameBeside(const std::string& path, size_t maxNameLength) {
  static std::mt19937_64 generator{std::random_device{}()};
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%08llx.tmp",
                static_cast<unsigned long long>(generator() & 0xFFFFFFFFull));
  auto [folder, name] = splitFolder(path);
  const size_t fixed = 1 + std::char_traits<char>::length(suffix);
  const size_t room = maxNameLength > fixed ? maxNameLength - fixed : 0;
  return folder + "." + cutName(name, room) + suffix;
}

bool AtomicFile::open(const std::string& target, std::string* error) {
  abandon();
  failed_ = false;
  // A descriptor's name (/dev/stdout) leads to something only its owner can
  // replace: write through it, as to a device.
  const bool throughDescriptor = os::namesOpenDescriptor(target);
  target_ = throughDescriptor ? target : os::resolveLinks(target);
  const os::FileInfo info = os::fileInfo(target_);
  if (info.kind == os::FileKind::Folder) {
    error_ = os::errorIsFolder();
    return fail(error);
  }
  // Appending, because what the owner opened it for is unknown: ">>" onto a
  // file must not lose what is there, and ">" left nothing to lose.
  if (throughDescriptor) {
    file_ = os::File::openForAppending(target_, &error_);
    return file_.isOpen() || fail(error);
  }
  if (info.kind == os::FileKind::Device || info.kind == os::FileKind::Pipe) {
    file_ = os::File::openForWriting(target_, &error_);
    return file_.isOpen() || fail(error);
  }
  keepMode_ = info.kind == os::FileKind::Regular;
  // Root may write anything; a file nobody may write is still left alone.
  if (keepMode_ && ((info.mode & 0222) == 0 || !os::isWritable(target_))) {
    error_ = os::errorReadOnly();
    return fail(error);
  }
  mode_ = keepMode_ ? info.mode : os::newFileMode();
  const std::string folder = splitFolder(target_).first;
  const size_t maxName = os::maxNameLength(folder.empty() ? "." : folder);
  for (int attempt = 0; attempt < 16 && !file_.isOpen(); ++attempt) {
    temporary_ = temporaryNameBeside(target_, maxName);
    file_ = os::File::createNew(temporary_, mode_, &error_);
    if (!file_.isOpen() && os::fileInfo(temporary_).kind == os::FileKind::Missing) break;
  }
  if (!file_.isOpen()) {
    temporary_.clear();
    return fail(error);
  }
  // The mask narrowed the new file's mode; a replaced file's mode wins.
  if (keepMode_) file_.setMode(mode_);
  return true;
}

bool AtomicFile::write(std::string_view bytes) {
  if (failed_ || !file_.isOpen()) return false;
  if (file_.writeAll(bytes)) return true;
  error_ = os::lastError();
  failed_ = true;
  return false;
}

bool AtomicFile::commit(std::string* error) {
  if (failed_ || !file_.isOpen()) return fail(error);
  if (!file_.sync() || !file_.close()) {
    error_ = os::lastError();
    return fail(error);
  }
  if (!temporary_.empty() && !os::renameReplacing(temporary_, target_, &error_)) return fail(error);
  temporary_.clear();
  return true;
}

void AtomicFile::abandon() {
  file_.close();
  if (!temporary_.empty()) os::removeFile(temporary_);
  temporary_.clear();
}

bool AtomicFile::fail(std::string* error) {
  failed_ = true;
  abandon();
  if (error) *error = error_.text();
  return false;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  AtomicFile file;
  if (!file.open(path, error)) return false;
  file.write(bytes);  // a failed write is reported by commit
  return file.commit(error);
}

}  // namespace rowsmith
