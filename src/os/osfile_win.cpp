#include "os/osfile.h"
#include "os/faults.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <io.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cwchar>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace rowsmith::os {

namespace {

std::wstring wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// Windows takes "/" in paths but hands back "\"; the rest of the program
// sees "/" only.
std::string forwardSlashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

HANDLE handleOf(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
intptr_t valueOf(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

// One ReadFile at offset; 0 at the end of the file, -1 on an error.
std::ptrdiff_t readAt(HANDLE h, char* data, size_t size, uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  if (!ReadFile(h, data, want, &got, &at)) return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  return static_cast<std::ptrdiff_t>(got);
}

void setError(Error* error) {
  if (error) *error = lastError();
}

// An injected failure looks to the caller like the system's own.
bool failsByHook(SystemCall call, size_t bytes) {
  const Error fault = detail::injectedFault(call, bytes);
  if (!fault) return false;
  SetLastError(static_cast<DWORD>(fault.code));
  return true;
}

FileKind kindOfHandle(HANDLE h, const BY_HANDLE_FILE_INFORMATION* info) {
  switch (GetFileType(h)) {
    case FILE_TYPE_CHAR: return FileKind::Device;
    case FILE_TYPE_PIPE: return FileKind::Pipe;
    case FILE_TYPE_DISK:
      if (info && (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return FileKind::Folder;
      return FileKind::Regular;
    default: return FileKind::Other;
  }
}

FileInfo infoOfHandle(HANDLE h) {
  FileInfo result;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(h, &info) != 0;
  result.kind = kindOfHandle(h, known ? &info : nullptr);
  if (known) {
    result.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    result.device = info.dwVolumeSerialNumber;
    result.inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    result.mode = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  }
  return result;
}

}  // namespace

std::string Error::text() const {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n ? std::wstring(buffer, n) : L"Error " + std::to_wstring(code);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.')) text.pop_back();
  return narrow(text);
}

ErrorKind Error::kind() const {
  switch (code) {
    case 0: return ErrorKind::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ErrorKind::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return ErrorKind::AccessDenied;
    case ERROR_WRITE_PROTECT: return ErrorKind::ReadOnly;
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_CRC: return ErrorKind::IoError;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ErrorKind::OutOfMemory;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ErrorKind::NoSpace;
    case ERROR_FILE_TOO_LARGE: return ErrorKind::TooLarge;
    case ERROR_DIRECTORY: return ErrorKind::IsFolder;
    case ERROR_FILENAME_EXCED_RANGE: return ErrorKind::NameTooLong;
    default: return ErrorKind::Other;
  }
}

Error lastError() { return Error{static_cast<int>(GetLastError())}; }

Error errorOfKind(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::None: return {};
    case ErrorKind::NotFound: return Error{ERROR_FILE_NOT_FOUND};
    case ErrorKind::NotAFolder: return Error{ERROR_PATH_NOT_FOUND};
    case ErrorKind::AccessDenied: return Error{ERROR_ACCESS_DENIED};
    case ErrorKind::ReadOnly: return Error{ERROR_WRITE_PROTECT};
    case ErrorKind::NotPermitted: return Error{ERROR_ACCESS_DENIED};
    case ErrorKind::IoError: return Error{ERROR_READ_FAULT};
    case ErrorKind::OutOfMemory: return Error{ERROR_NOT_ENOUGH_MEMORY};
    case ErrorKind::NoSpace: return Error{ERROR_DISK_FULL};
    case ErrorKind::TooLarge: return Error{ERROR_FILE_TOO_LARGE};
    case ErrorKind::IsFolder: return Error{ERROR_DIRECTORY};
    case ErrorKind::NameTooLong: return Error{ERROR_FILENAME_EXCED_RANGE};
    case ErrorKind::Other: break;
  }
  return Error{ERROR_GEN_FAILURE};
}
bool isNoSpace(const Error& error) { return error.code == ERROR_DISK_FULL || error.code == ERROR_HANDLE_DISK_FULL; }
bool isBrokenPipe(const Error& error) { return error.code == ERROR_BROKEN_PIPE || error.code == ERROR_NO_DATA; }
Error errorNotFound() { return Error{ERROR_FILE_NOT_FOUND}; }
Error errorIsFolder() { return Error{ERROR_DIRECTORY}; }
Error errorReadOnly() { return Error{ERROR_ACCESS_DENIED}; }

FileInfo fileInfo(const std::string& path, Error* error) {
  HANDLE h = CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    setError(error);
    return {};
  }
  FileInfo info = infoOfHandle(h);
  CloseHandle(h);
  return info;
}

// Opening a link opens its target, so the name itself is what gets replaced.
std::string resolveLinks(const std::string& path) { return path; }

// Windows has no names for open descriptors; "CON" and the like are devices.
bool namesOpenDescriptor(const std::string&) { return false; }

bool isWritable(const std::string& path) {
  DWORD attributes = GetFileAttributesW(wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return !(attributes & FILE_ATTRIBUTE_READONLY);
  // A folder is writable when a file can be made in it.
  std::string probe = path;
  if (!probe.empty() && probe.back() != '/' && probe.back() != '\\') probe += '/';
  probe += ".rowsmith-write-test";
  HANDLE h = CreateFileW(wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

File::~File() {
  if (handle_ >= 0 && owned_) CloseHandle(handleOf(handle_));
}

File::File(File&& other) noexcept : handle_(other.handle_), owned_(other.owned_), position_(other.position_) {
  other.handle_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (handle_ >= 0 && owned_) CloseHandle(handleOf(handle_));
    handle_ = other.handle_;
    owned_ = other.owned_;
    position_ = other.position_;
    other.handle_ = -1;
  }
  return *this;
}

File File::openForReading(const std::string& path, Error* error) {
  if (path == "-") return File(valueOf(GetStdHandle(STD_INPUT_HANDLE)), false);
  if (failsByHook(SystemCall::Open, 0)) {
    setError(error);
    return File();
  }
  HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    setError(error);
    return File();
  }
  File file(valueOf(h), true);
  const FileKind kind = file.info().kind;
  if (kind == FileKind::Folder) {
    if (error) *error = errorIsFolder();
    return File();
  }
  // ReadFile at an offset moves the file position, so sequential reads keep
  // their own for readFullAt on another thread.
  if (kind == FileKind::Regular) file.position_ = 0;
  return file;
}

File File::openForWriting(const std::string& path, Error* error) {
  if (failsByHook(SystemCall::Open, 0)) {
    setError(error);
    return File();
  }
  HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    setError(error);
    return File();
  }
  if (GetFileType(h) == FILE_TYPE_DISK && !SetEndOfFile(h)) {
    setError(error);
    CloseHandle(h);
    return File();
  }
  return File(valueOf(h), true);
}

File File::openForAppending(const std::string& path, Error* error) {
  if (failsByHook(SystemCall::Open, 0)) {
    setError(error);
    return File();
  }
  HANDLE h = CreateFileW(wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    setError(error);
    return File();
  }
  return File(valueOf(h), true);
}

File File::createNew(const std::string& path, unsigned, Error* error) {
  if (failsByHook(SystemCall::Open, 0)) {
    setError(error);
    return File();
  }
  HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    setError(error);
    return File();
  }
  return File(valueOf(h), true);
}

File File::standardOutput() { return File(valueOf(GetStdHandle(STD_OUTPUT_HANDLE)), false); }

FileInfo File::info() const {
  if (handle_ < 0) return {};
  return infoOfHandle(handleOf(handle_));
}

std::ptrdiff_t File::readSome(char* data, size_t size) {
  if (failsByHook(SystemCall::Read, size)) return -1;
  if (position_ != UINT64_MAX) {
    std::ptrdiff_t got = readAt(handleOf(handle_), data, size, position_);
    if (got > 0) position_ += static_cast<uint64_t>(got);
    return got;
  }
  DWORD got = 0;
  const DWORD want = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
  if (!ReadFile(handleOf(handle_), data, want, &got, nullptr)) {
    // The writer of a pipe closing it is its end, not an error.
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
  }
  return static_cast<std::ptrdiff_t>(got);
}

std::ptrdiff_t File::readFullAt(char* data, size_t size, uint64_t offset) const {
  if (failsByHook(SystemCall::Read, size)) return -1;
  size_t done = 0;
  while (done < size) {
    std::ptrdiff_t got = readAt(handleOf(handle_), data + done, size - done, offset + done);
    if (got < 0) return -1;
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<std::ptrdiff_t>(done);
}

bool File::writeAll(std::string_view bytes) {
  if (failsByHook(SystemCall::Write, bytes.size())) return false;
  while (!bytes.empty()) {
    const DWORD want = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(handleOf(handle_), bytes.data(), want, &written, nullptr)) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

bool File::setMode(unsigned) { return true; }

bool File::sync() {
  if (failsByHook(SystemCall::Sync, 0)) return false;
  if (FlushFileBuffers(handleOf(handle_))) return true;
  // Consoles and pipes cannot be flushed to disk and need not be.
  return GetFileType(handleOf(handle_)) != FILE_TYPE_DISK;
}

bool File::close() {
  if (handle_ < 0) return true;
  HANDLE h = handleOf(handle_);
  handle_ = -1;
  if (!owned_) return true;
  return CloseHandle(h) != 0;
}

bool renameReplacing(const std::string& from, const std::string& to, Error* error) {
  if (failsByHook(SystemCall::Rename, 0)) {
    setError(error);
    return false;
  }
  if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  setError(error);
  return false;
}

bool removeFile(const std::string& path) { return DeleteFileW(wide(path).c_str()) != 0; }

void removeTree(const std::string& path) {
  std::error_code ec;
  fs::remove_all(fs::path(wide(path)), ec);
}

bool createFolders(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  fs::create_directories(fs::path(wide(folder)), ec);
  return fs::is_directory(fs::path(wide(folder)), ec);
}

bool isFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(fs::path(wide(path)), ec);
}

// A folder cannot be locked there: a file inside it, opened without sharing
// and gone when its handle closes, stands for the lock.
FolderLock::FolderLock(const std::string& folder) {
  const std::wstring name = wide(folder + "/.rowsmith-lock");
  for (int attempt = 0; attempt < 1000; ++attempt) {
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      handle_ = reinterpret_cast<intptr_t>(h);
      return;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) return;
    Sleep(10);
  }
}

FolderLock::~FolderLock() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

std::string temporaryFolder() {
  wchar_t buffer[MAX_PATH + 2];
  DWORD n = GetTempPathW(MAX_PATH + 2, buffer);
  std::string folder = n ? forwardSlashes(narrow(std::wstring(buffer, n))) : std::string("C:/Windows/Temp/");
  while (folder.size() > 3 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string createPrivateFolder(const std::string& parent, const std::string& prefix, Error* error) {
  static std::mt19937_64 generator{std::random_device{}()};
  for (int attempt = 0; attempt < 32; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%06llx", static_cast<unsigned long long>(generator() & 0xFFFFFF));
    std::string folder = parent + "/" + prefix + suffix;
    if (CreateDirectoryW(wide(folder).c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  setError(error);
  return {};
}

unsigned newFileMode() { return 0666; }

size_t maxNameLength(const std::string&) { return 255; }

std::string executablePath() {
  std::wstring buffer(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(n);
  return forwardSlashes(narrow(buffer));
}

std::string currentFolder() {
  std::error_code ec;
  return forwardSlashes(narrow(fs::current_path(ec).wstring()));
}

std::string absoluteFolderOf(const std::string& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(fs::path(wide(path)), ec);
  if (ec) absolute = fs::path(wide(path));
  std::string folder = forwardSlashes(narrow(absolute.parent_path().wstring()));
  while (folder.size() > 3 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string environment(const char* name) {
  const wchar_t* value = _wgetenv(wide(name).c_str());
  return value ? narrow(value) : std::string();
}

std::string userDataFolder() {
  std::string data = environment("APPDATA");
  if (data.empty()) data = environment("USERPROFILE");
  if (data.empty()) data = temporaryFolder();
  data = forwardSlashes(data);
  if (data.back() != '/') data += '/';
  return data;
}

namespace {

wchar_t interruptFile[32768];

extern "C" void removeAndEnd(int signal) {
  if (interruptFile[0] != L'\0') DeleteFileW(interruptFile);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

void removeOnInterrupt(const std::string& path) {
  static bool installed = false;
  const std::wstring name = wide(path);
  const size_t n = std::min(name.size(), std::size(interruptFile) - 1);
  std::wmemcpy(interruptFile, name.data(), n);
  interruptFile[n] = L'\0';
  if (installed || path.empty()) return;
  installed = true;
  std::signal(SIGINT, removeAndEnd);
  std::signal(SIGTERM, removeAndEnd);
}

// Windows delivers Ctrl+C on a thread of its own; there is no mask to hold.
InterruptsHeld::InterruptsHeld() {}
InterruptsHeld::~InterruptsHeld() {}

void ignoreFileSizeLimitSignal() {}

bool isTerminal(int stream) { return _isatty(stream) != 0; }

unsigned processorCount() { return std::thread::hardware_concurrency(); }

void adviseHugePages(void*, size_t) {}

}  // namespace rowsmith::os
