#pragma once
// The one place that talks to the operating system about files, folders,
// processes and the environment. Everything else in the core goes through
// here, so a port to another system replaces osfile_posix.cpp alone.
// Paths are UTF-8; "/" separates folders on every system.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rowsmith::os {

// A system error number with its description.
struct Error {
  int code = 0;
  std::string text() const;
  explicit operator bool() const { return code != 0; }
};

// The last system error of this thread.
Error lastError();
// Error codes the callers tell apart.
Error errorNotFound();
Error errorIsFolder();
Error errorReadOnly();
bool isNoSpace(const Error& error);

enum class FileKind { Missing, Regular, Folder, Device, Pipe, Other };

struct FileInfo {
  FileKind kind = FileKind::Missing;
  uint64_t size = 0;
  uint64_t device = 0;
  uint64_t inode = 0;
  unsigned mode = 0;  // permission bits
};

// Follows symbolic links; kind Missing when the path does not exist.
FileInfo fileInfo(const std::string& path);
// The final target of a chain of symbolic links; path itself when it is none.
std::string resolveLinks(const std::string& path);
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
  explicit File(int handle, bool owned) : handle_(handle), owned_(owned) {}
  int handle_ = -1;
  bool owned_ = true;
};

// Renames over an existing target in one step.
bool renameReplacing(const std::string& from, const std::string& to, Error* error);
bool removeFile(const std::string& path);
// Removes a folder and everything in it; quietly ignores what is missing.
void removeTree(const std::string& path);
// Creates a folder with its missing parents.
bool createFolders(const std::string& folder);
bool isFolder(const std::string& path);
std::string temporaryFolder();
// A new private folder under parent whose name begins with prefix.
std::string createPrivateFolder(const std::string& parent, const std::string& prefix, Error* error);

// The permission bits a new file gets (0666 less the process's mask).
unsigned newFileMode();
// The longest file name (one path component) the folder accepts.
size_t maxNameLength(const std::string& folder);

std::string executablePath();
std::string currentFolder();
std::string environment(const char* name);
std::string userHomeFolder();

bool isTerminal(int stream);  // 1 standard output, 2 standard error
unsigned processorCount();
// Asks the system to back a large buffer with huge pages before it is first
// written: hundreds of megabytes then cost a few hundred page faults instead
// of many thousands. Only advice.
void adviseHugePages(void* data, size_t bytes);

}  // namespace rowsmith::os
