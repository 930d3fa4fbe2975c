#pragma once
// The one place that talks to the operating system about files, folders,
// processes and the environment. Everything else in the core goes through
// here, so a port to another system replaces osfile_posix.cpp alone.
// Paths are UTF-8; "/" separates folders on every system.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace rowsmith::os {

// What went wrong, in terms the messages tell apart on every system.
enum class ErrorKind {
  None,
  NotFound,
  NotAFolder,  // a part of the path
  AccessDenied,
  ReadOnly,    // the file system
  NotPermitted,
  NoSpace,
  TooLarge,
  IsFolder,
  NameTooLong,
  IoError,
  OutOfMemory,
  Other,
};

// A system error number with its description.
struct Error {
  int code = 0;
  std::string text() const;
  ErrorKind kind() const;
  explicit operator bool() const { return code != 0; }
};

// The last system error of this thread.
Error lastError();
// An error of the given kind as this system numbers it.
Error errorOfKind(ErrorKind kind);
// Error codes the callers tell apart.
Error errorNotFound();
Error errorIsFolder();
Error errorReadOnly();
bool isNoSpace(const Error& error);
// The reader at the other end of a pipe has gone.
bool isBrokenPipe(const Error& error);

enum class FileKind { Missing, Regular, Folder, Device, Pipe, Other };

struct FileInfo {
  FileKind kind = FileKind::Missing;
  uint64_t size = 0;
  uint64_t device = 0;
  uint64_t inode = 0;
  unsigned mode = 0;  // permission bits
};

// Follows symbolic links; kind Missing when the path does not exist, with
// the cause in error.
FileInfo fileInfo(const std::string& path, Error* error = nullptr);
// The final target of a chain of symbolic links; path itself when it is none.
std::string resolveLinks(const std::string& path);
// Whether path leads, through links, to an open descriptor of a process
// (/dev/stdout, /dev/fd/N, /proc/PID/fd/N): such a name can only be written
// through, never replaced.
bool namesOpenDescriptor(const std::string& path);
bool isWritable(const std::string& path);

// An open file; closed when it goes out of scope.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // A folder is not a readable file. "-" is standard input.
  static File openForReading(const std::string& path, Error* error);
  // Truncates an existing regular file; writes into a device or pipe as is.
  static File openForWriting(const std::string& path, Error* error);
  // Adds to the end of an existing file, never truncating it.
  static File openForAppending(const std::string& path, Error* error);
  // Creates path, failing when it exists; mode as for a new file.
  static File createNew(const std::string& path, unsigned mode, Error* error);
  static File standardOutput();

  bool isOpen() const { return handle_ >= 0; }
  FileInfo info() const;
  // Up to size bytes; 0 at the end, -1 on an error.
  std::ptrdiff_t readSome(char* data, size_t size);
  // Fills data as far as the file allows; -1 on an error.
  std::ptrdiff_t readFull(char* data, size_t size);
  // The same from offset on, leaving the file position alone, so that two
  // threads can read two parts of one open file.
  std::ptrdiff_t readFullAt(char* data, size_t size, uint64_t offset) const;
  bool writeAll(std::string_view bytes);
  bool setMode(unsigned mode);
  bool sync();
  bool close();

 private:
  explicit File(intptr_t handle, bool owned) : handle_(handle), owned_(owned) {}
  intptr_t handle_ = -1;  // a descriptor or a handle, as the system has it
  bool owned_ = true;
  // Where the next readSome starts, on systems where a read at an offset
  // moves the file position: a read of another part on another thread then
  // cannot disturb this one. UINT64_MAX: the system's position.
  uint64_t position_ = UINT64_MAX;
};

// The calls whose failures the tests need to see, reached through a table
// as SQLite reaches its system calls, so a test can make them fail on any
// system: when a hook is set, it is asked before each such call with the
// number of bytes at stake and fails the call by returning an error. Only
// tests set one; it must be safe to call from several threads.
enum class SystemCall { Open, Read, Write, Sync, Rename };
using FaultHook = std::function<Error(SystemCall call, size_t bytes)>;
// Installs hook (an empty one restores the plain calls); returns the one before.
FaultHook setFaultHook(FaultHook hook);

// Renames over an existing target in one step.
bool renameReplacing(const std::string& from, const std::string& to, Error* error);
bool removeFile(const std::string& path);
// Removes a folder and everything in it; quietly ignores what is missing.
void removeTree(const std::string& path);
// Creates a folder with its missing parents.
bool createFolders(const std::string& folder);
bool isFolder(const std::string& path);
std::string temporaryFolder();

// An exclusive lock on a folder for as long as it lives: holders of the
// same folder's lock, in this process or another, wait for each other. The
// system ends it with the holder, also after a crash, and it leaves no file.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return handle_ != -1; }

 private:
  intptr_t handle_ = -1;
};
// A new private folder under parent whose name begins with prefix.
std::string createPrivateFolder(const std::string& parent, const std::string& prefix, Error* error);

// The permission bits a new file gets (0666 less the process's mask).
unsigned newFileMode();
// The longest file name (one path component) the folder accepts.
size_t maxNameLength(const std::string& folder);

std::string executablePath();
std::string currentFolder();
// The folder that holds path, made absolute against the current folder,
// without a trailing "/" (but "/" itself).
std::string absoluteFolderOf(const std::string& path);
std::string environment(const char* name);
// Where a user's programs keep their data: $XDG_DATA_HOME or
// ~/.local/share, %APPDATA% on Windows. Ends with "/".
std::string userDataFolder();

// On SIGINT, SIGTERM or SIGHUP removes the file named here, then ends the
// process as the signal would (exit status 130, 143, 129 in a shell). An
// empty path removes nothing. The name is copied where the handler can use
// it without allocating.
void removeOnInterrupt(const std::string& path);
// Holds those signals back while alive, so a file and its registration for
// removal come into being together.
class InterruptsHeld {
 public:
  InterruptsHeld();
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

 private:
  alignas(16) unsigned char saved_[128];  // the signal mask before
};

// A write beyond the process's file-size limit then fails with an error
// instead of ending the process; a no-op where no such limit exists.
void ignoreFileSizeLimitSignal();

bool isTerminal(int stream);  // 1 standard output, 2 standard error
unsigned processorCount();
// Asks the system to back a large buffer with huge pages before it is first
// written: hundreds of megabytes then cost a few hundred page faults instead
// of many thousands. Only advice.
void adviseHugePages(void* data, size_t bytes);

}  // namespace rowsmith::os
