#include "kernel/atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define ROWSMITH_POSIX_FILES 1
#endif

namespace rowsmith {

namespace {

std::string describe(int error) { return std::strerror(error); }

std::string temporaryNameBeside(const std::string& path) {
  static std::mt19937_64 generator{std::random_device{}()};
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%08llx.tmp",
                static_cast<unsigned long long>(generator() & 0xFFFFFFFFull));
  return path + suffix;
}

}  // namespace

#ifdef ROWSMITH_POSIX_FILES

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  // An existing target keeps its permissions; a new one gets the usual ones.
  mode_t mode = 0666;
  struct stat existing {};
  const bool replacing = ::stat(path.c_str(), &existing) == 0;
  if (replacing) mode = existing.st_mode & 07777;

  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary = temporaryNameBeside(path);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    if (error) *error = describe(errno);
    return false;
  }
  // The umask narrowed the new file's mode; the replaced file's mode wins.
  if (replacing) ::fchmod(fd, mode);

  auto fail = [&] {
    int code = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
    if (error) *error = describe(code);
    return false;
  };

  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return fail();
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
  if (::fsync(fd) != 0) return fail();
  int closed = ::close(fd);
  fd = -1;
  if (closed != 0) return fail();
  if (::rename(temporary.c_str(), path.c_str()) != 0) return fail();
  return true;
}

#else

bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  std::string temporary = temporaryNameBeside(path);
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) {
    if (error) *error = describe(errno);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fflush(file) == 0 && ok;
  int code = errno;
  ok = std::fclose(file) == 0 && ok;
  if (ok) {
    std::remove(path.c_str());
    ok = std::rename(temporary.c_str(), path.c_str()) == 0;
    code = errno;
  }
  if (!ok) {
    std::remove(temporary.c_str());
    if (error) *error = describe(code);
  }
  return ok;
}

#endif

}  // namespace rowsmith
