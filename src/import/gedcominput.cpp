#include "import/gedcominput.h"

#include <cstring>
#include <memory>

#include "os/osfile.h"

namespace rowsmith {

TextUnits detectTextUnits(std::string_view start) {
  if (start.size() < 2) return TextUnits::Bytes;
  const auto b0 = static_cast<unsigned char>(start[0]);
  const auto b1 = static_cast<unsigned char>(start[1]);
  if ((b0 == 0xFF && b1 == 0xFE) || (b0 == '0' && b1 == 0)) return TextUnits::Utf16Le;
  if ((b0 == 0xFE && b1 == 0xFF) || (b0 == 0 && b1 == '0')) return TextUnits::Utf16Be;
  return TextUnits::Bytes;
}

bool isWholeCharacter(std::string_view data, size_t i, TextUnits units) {
  switch (units) {
    case TextUnits::Utf16Le:
      return i % 2 == 0 && i + 1 < data.size() && data[i + 1] == 0;
    case TextUnits::Utf16Be:
      return i % 2 == 1 && data[i - 1] == 0;
    default:
      return true;
  }
}

size_t findCharacter(std::string_view data, size_t from, size_t to, char c, TextUnits units) {
  while (from < to) {
    const void* hit = std::memchr(data.data() + from, c, to - from);
    if (!hit) break;
    const size_t i = static_cast<size_t>(static_cast<const char*>(hit) - data.data());
    if (isWholeCharacter(data, i, units)) return i;
    from = i + 1;
  }
  return to;
}

bool GedcomInput::open(const std::string& path, ReadFailure& failure) {
  os::Error openError;
  auto file = std::make_shared<os::File>(os::File::openForReading(path, &openError));
  if (!file->isOpen()) {
    failure = ReadFailure::of(openError);
    return false;
  }
  // Standard input may stand anywhere in a regular file: it is read as a
  // stream of unknown size.
  const os::FileInfo info = path == "-" ? os::FileInfo{} : file->info();
  file_ = file;
  openSource(
      [file](char* data, size_t size, os::Error& readError) {
        std::ptrdiff_t got = file->readFull(data, size);
        if (got < 0) readError = os::lastError();
        return got;
      },
      info.kind == os::FileKind::Regular ? info.size : 0);
  regular_ = info.kind == os::FileKind::Regular;
  return true;
}

void GedcomInput::openSource(Source source, uint64_t size) {
  source_ = std::move(source);
  size_ = size;
  limit_ = UINT64_MAX;
  done_ = 0;
  first_ = true;
  regular_ = false;
  units_ = TextUnits::Bytes;
  failure_ = {};
  percent_ = -1;
}

bool GedcomInput::next(std::string_view& chunk) {
  chunk = {};
  if (buffer_.empty()) buffer_.resize(kChunkBytes);
  const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), limit_ - std::min(limit_, done_)));
  os::Error error;
  std::ptrdiff_t got = want == 0 ? 0 : source_(buffer_.data(), want, error);
  if (got < 0) {
    failure_ = ReadFailure::of(error ? error : os::errorOfKind(os::ErrorKind::IoError));
    return false;
  }
  done_ += static_cast<uint64_t>(got);
  chunk = std::string_view(buffer_.data(), static_cast<size_t>(got));
  if (first_) {
    units_ = detectTextUnits(chunk);
    first_ = false;
  }
  // A regular file that ends before the size it had when opened was cut
  // while being read: what was read is not the whole file.
  if (got == 0 && regular_ && done_ < size_) {
    failure_ = ReadFailure{ReadFailure::Kind::CutShort, {}, done_, size_};
    return false;
  }
  report();
  // The window's Cancel stops the reading between two chunks.
  if (progress_ && progress_->cancelled()) {
    failure_ = ReadFailure{ReadFailure::Kind::Cancelled, {}, 0, 0};
    return false;
  }
  return true;
}

std::ptrdiff_t GedcomInput::readAt(char* data, size_t size, uint64_t offset, os::Error& error) const {
  std::ptrdiff_t got = file_->readFullAt(data, size, offset);
  if (got < 0) error = os::lastError();
  return got;
}

void GedcomInput::openPart(const GedcomInput& whole, uint64_t from) {
  file_ = whole.file_;
  std::shared_ptr<os::File> file = file_;
  openSource(
      [file, from, done = uint64_t{0}](char* data, size_t size, os::Error& error) mutable {
        std::ptrdiff_t got = file->readFullAt(data, size, from + done);
        if (got < 0) error = os::lastError();
        else done += static_cast<uint64_t>(got);
        return got;
      },
      whole.size_ > from ? whole.size_ - from : 0);
  regular_ = true;
  first_ = false;
  units_ = whole.units_;
}

void GedcomInput::report() {
  if (!progress_) return;
  if (size_ == 0) {
    // A pipe's length is unknown: each chunk tells that reading goes on.
    progress_->showProgress(ImportPhase::Reading, kProgressUnknown);
    return;
  }
  const int percent = static_cast<int>(std::min<uint64_t>(done_, size_) * 100 / size_);
  if (percent == percent_) return;
  percent_ = percent;
  progress_->showProgress(ImportPhase::Reading, percent);
}

}  // namespace rowsmith
