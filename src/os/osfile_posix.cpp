#include "os/osfile.h"
#include "os/faults.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace rowsmith::os {

std::string Error::text() const { return std::strerror(code); }

ErrorKind Error::kind() const {
  switch (code) {
    case 0: return ErrorKind::None;
    case ENOENT: return ErrorKind::NotFound;
    case ENOTDIR: return ErrorKind::NotAFolder;
    case EACCES: return ErrorKind::AccessDenied;
    case EROFS: return ErrorKind::ReadOnly;
    case EPERM: return ErrorKind::NotPermitted;
    case ENOSPC:
    case EDQUOT: return ErrorKind::NoSpace;
    case EFBIG: return ErrorKind::TooLarge;
    case EISDIR: return ErrorKind::IsFolder;
    case ENAMETOOLONG: return ErrorKind::NameTooLong;
    case EIO: return ErrorKind::IoError;
    case ENOMEM: return ErrorKind::OutOfMemory;
    default: return ErrorKind::Other;
  }
}

Error lastError() { return Error{errno}; }

Error errorOfKind(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::None: return {};
    case ErrorKind::NotFound: return Error{ENOENT};
    case ErrorKind::NotAFolder: return Error{ENOTDIR};
    case ErrorKind::AccessDenied: return Error{EACCES};
    case ErrorKind::ReadOnly: return Error{EROFS};
    case ErrorKind::NotPermitted: return Error{EPERM};
    case ErrorKind::IoError: return Error{EIO};
    case ErrorKind::OutOfMemory: return Error{ENOMEM};
    case ErrorKind::NoSpace: return Error{ENOSPC};
    case ErrorKind::TooLarge: return Error{EFBIG};
    case ErrorKind::IsFolder: return Error{EISDIR};
    case ErrorKind::NameTooLong: return Error{ENAMETOOLONG};
    case ErrorKind::Other: break;
  }
  return Error{EINVAL};
}
Error errorNotFound() { return Error{ENOENT}; }
Error errorIsFolder() { return Error{EISDIR}; }
Error errorReadOnly() { return Error{EACCES}; }
bool isNoSpace(const Error& error) { return error.code == ENOSPC || error.code == EFBIG; }
bool isBrokenPipe(const Error& error) { return error.code == EPIPE; }

namespace {

FileKind kindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::Regular;
  if (S_ISDIR(mode)) return FileKind::Folder;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::Device;
  if (S_ISFIFO(mode) || S_ISSOCK(mode)) return FileKind::Pipe;
  return FileKind::Other;
}

FileInfo infoOf(const struct stat& st) {
  FileInfo info;
  info.kind = kindOf(st.st_mode);
  info.size = static_cast<uint64_t>(st.st_size);
  info.device = static_cast<uint64_t>(st.st_dev);
  info.inode = static_cast<uint64_t>(st.st_ino);
  info.mode = st.st_mode & 07777;
  return info;
}

void setError(Error* error) {
  if (error) *error = lastError();
}

// An injected failure looks to the caller like the system's own.
bool failsByHook(SystemCall call, size_t bytes) {
  const Error fault = detail::injectedFault(call, bytes);
  if (!fault) return false;
  errno = fault.code;
  return true;
}

}  // namespace

FileInfo fileInfo(const std::string& path, Error* error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    setError(error);
    return {};
  }
  return infoOf(st);
}

namespace {

// Follows a chain of symbolic links from path, stopping early at a name for
// which stop holds; the last name reached.
template <typename Stop>
std::string followLinks(const std::string& path, Stop stop) {
  std::string current = path;
  // A bound on the chain, as the system's own; a loop ends here too.
  for (int hop = 0; hop < 40 && !stop(current); ++hop) {
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::error_code ec;
    fs::path target = fs::read_symlink(current, ec);
    if (ec) return current;
    if (target.is_relative()) target = fs::path(current).parent_path() / target;
    current = target.string();
  }
  return current;
}

bool isDescriptorName(const std::string& name) {
  if (name.rfind("/dev/fd/", 0) == 0 || name == "/dev/stdin" || name == "/dev/stdout" || name == "/dev/stderr")
    return true;
  if (name.rfind("/proc/", 0) != 0) return false;
  const size_t slash = name.find('/', 6);
  return slash != std::string::npos && name.compare(slash, 4, "/fd/") == 0;
}

}  // namespace

std::string resolveLinks(const std::string& path) {
  return followLinks(path, [](const std::string&) { return false; });
}

bool namesOpenDescriptor(const std::string& path) { return isDescriptorName(followLinks(path, isDescriptorName)); }

bool isWritable(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

File::~File() {
  if (handle_ >= 0 && owned_) ::close(static_cast<int>(handle_));
}

File::File(File&& other) noexcept : handle_(other.handle_), owned_(other.owned_) { other.handle_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (handle_ >= 0 && owned_) ::close(static_cast<int>(handle_));
    handle_ = other.handle_;
    owned_ = other.owned_;
    other.handle_ = -1;
  }
  return *this;
}

File File::openForReading(const std::string& path, Error* error) {
  if (path == "-") return File(static_cast<intptr_t>(STDIN_FILENO), false);
  if (failsByHook(SystemCall::Open, 0)) {
    setError(error);
    return File();
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    setError(error);
    return File();
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    int code = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    if (error) *error = Error{code};
    return File();
  }
  return File(static_cast<intptr_t>(fd), true);
}

File File::openForWriting(const std::string& path, Error* error) {
  if (failsByHook(SystemCall::Open, 0)) {
    setError(error);
    return File();
  }
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    setError(error);
    return File();
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) {
    setError(error);
    ::close(fd);
    return File();
  }
  return File(static_cast<intptr_t>(fd), true);
}

File File::openForAppending(const std::string& path, Error* error) {
  if (failsByHook(SystemCall::Open, 0)) {
    setError(error);
    return File();
  }
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) setError(error);
  return fd < 0 ? File() : File(static_cast<intptr_t>(fd), true);
}

File File::createNew(const std::string& path, unsigned mode, Error* error) {
  if (failsByHook(SystemCall::Open, 0)) {
    setError(error);
    return File();
  }
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
  if (fd < 0) {
    setError(error);
    return File();
  }
  return File(static_cast<intptr_t>(fd), true);
}

File File::standardOutput() { return File(static_cast<intptr_t>(STDOUT_FILENO), false); }

FileInfo File::info() const {
  struct stat st {};
  if (handle_ < 0 || ::fstat(static_cast<int>(handle_), &st) != 0) return {};
  return infoOf(st);
}

std::ptrdiff_t File::readSome(char* data, size_t size) {
  if (failsByHook(SystemCall::Read, size)) return -1;
  for (;;) {
    ssize_t got = ::read(static_cast<int>(handle_), data, size);
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

std::ptrdiff_t File::readFullAt(char* data, size_t size, uint64_t offset) const {
  if (failsByHook(SystemCall::Read, size)) return -1;
  size_t done = 0;
  while (done < size) {
    ssize_t got = ::pread(handle_, data + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<std::ptrdiff_t>(done);
}

bool File::writeAll(std::string_view bytes) {
  if (failsByHook(SystemCall::Write, bytes.size())) return false;
  while (!bytes.empty()) {
    ssize_t n = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool File::setMode(unsigned mode) { return ::fchmod(static_cast<int>(handle_), static_cast<mode_t>(mode)) == 0; }

bool File::sync() {
  if (failsByHook(SystemCall::Sync, 0)) return false;
  if (::fsync(static_cast<int>(handle_)) == 0) return true;
  // Pipes, terminals and character devices cannot be synced and need not be.
  return errno == EINVAL || errno == EROFS || errno == ENOTSUP;
}

bool File::close() {
  if (handle_ < 0) return true;
  int fd = static_cast<int>(handle_);
  handle_ = -1;
  if (!owned_) return true;
  return ::close(fd) == 0;
}

bool renameReplacing(const std::string& from, const std::string& to, Error* error) {
  if (failsByHook(SystemCall::Rename, 0)) {
    setError(error);
    return false;
  }
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  setError(error);
  return false;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

void removeTree(const std::string& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
}

bool createFolders(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec);
}

bool isFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

FolderLock::FolderLock(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  // flock belongs to this open folder, so threads of one process exclude
  // each other as processes do.
  int result;
  do {
    result = ::flock(fd, LOCK_EX);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    ::close(fd);
    return;
  }
  handle_ = fd;
}

FolderLock::~FolderLock() {
  if (handle_ != -1) ::close(static_cast<int>(handle_));
}

std::string temporaryFolder() {
  std::error_code ec;
  fs::path folder = fs::temp_directory_path(ec);
  return ec ? std::string("/tmp") : folder.string();
}

std::string createPrivateFolder(const std::string& parent, const std::string& prefix, Error* error) {
  std::string pattern = (fs::path(parent) / (prefix + "XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) {
    setError(error);
    return {};
  }
  return pattern;
}

unsigned newFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

size_t maxNameLength(const std::string& folder) {
  long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<size_t>(limit) : 255;
}

std::string executablePath() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}

std::string currentFolder() {
  std::error_code ec;
  return fs::current_path(ec).string();
}

std::string absoluteFolderOf(const std::string& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(fs::path(path), ec);
  if (ec) absolute = fs::path(path);
  std::string folder = absolute.parent_path().string();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string userDataFolder() {
  std::string data = environment("XDG_DATA_HOME");
  // Relative values are invalid by the XDG rules and would depend on the cwd.
  if (data.empty() || data.front() != '/') {
    std::string home = environment("HOME");
    if (home.empty()) {
      if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    if (home.empty()) home = temporaryFolder();
    data = home + "/.local/share";
  }
  if (data.back() != '/') data += '/';
  return data;
}

namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};
char interruptFile[PATH_MAX + 1];

extern "C" void removeAndEnd(int signal) {
  // Only async-signal-safe calls here: the name was copied in beforehand.
  if (interruptFile[0] != '\0') ::unlink(interruptFile);
  // The handler was reset to the default; the signal, held back while this
  // runs, ends the process as soon as it returns.
  ::raise(signal);
}

sigset_t interruptSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kInterrupts) sigaddset(&set, s);
  return set;
}

}  // namespace

void removeOnInterrupt(const std::string& path) {
  static bool installed = false;
  InterruptsHeld held;
  const size_t n = std::min(path.size(), sizeof interruptFile - 1);
  std::memcpy(interruptFile, path.data(), n);
  interruptFile[n] = '\0';
  if (installed || path.empty()) return;
  installed = true;
  struct sigaction action {};
  action.sa_handler = removeAndEnd;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int s : kInterrupts) {
    struct sigaction old {};
    // A signal the caller's parent set to be ignored stays ignored.
    if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(s, &action, nullptr);
  }
}

InterruptsHeld::InterruptsHeld() {
  static_assert(sizeof(sigset_t) <= sizeof saved_);
  sigset_t set = interruptSet();
  ::pthread_sigmask(SIG_BLOCK, &set, reinterpret_cast<sigset_t*>(saved_));
}

InterruptsHeld::~InterruptsHeld() { ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<sigset_t*>(saved_), nullptr); }

void ignoreFileSizeLimitSignal() { ::signal(SIGXFSZ, SIG_IGN); }

bool isTerminal(int stream) { return ::isatty(stream) == 1; }

unsigned processorCount() { return std::thread::hardware_concurrency(); }

void adviseHugePages(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  if (data == nullptr || bytes < 2 * kHuge) return;
  // Only whole huge pages inside the buffer; the edges may belong to others.
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kHuge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace rowsmith::os
