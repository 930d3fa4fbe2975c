#include "kernel/folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace rowsmith {

namespace {

std::string gWorkFolderOverride;

std::string withSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string envValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string userDataFolder() {
  std::string data = envValue("XDG_DATA_HOME");
  // Relative values are invalid by the XDG rules and would depend on the cwd.
  if (data.empty() || data.front() != '/') {
    std::string home = envValue("HOME");
    if (home.empty()) {
      if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    if (home.empty()) home = fs::temp_directory_path().string();
    data = withSlash(home) + ".local/share";
  }
  return withSlash(data) + "rowsmith/";
}

}  // namespace

std::string executableFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return withSlash(fs::current_path(ec).string());
  return withSlash(exe.parent_path().string());
}

bool keepsFilesBeside(const std::string& exeFolder) {
  // An installed program keeps its files per user even where it could write
  // beside itself, as when root starts /usr/bin/rowsmith.
  fs::path folder(exeFolder);
  if (!folder.has_filename()) folder = folder.parent_path();
  if (folder.filename() == "bin") return false;
  return access(exeFolder.c_str(), W_OK) == 0;
}

std::string baseFolder() {
  std::string home = envValue("ROWSMITH_HOME");
  if (!home.empty()) return withSlash(home);
  std::string exeFolder = executableFolder();
  // An installed program usually cannot write beside itself; its work files
  // then go to the user's data folder.
  if (keepsFilesBeside(exeFolder)) return exeFolder;
  return userDataFolder();
}

std::string workFolder() {
  if (!gWorkFolderOverride.empty()) return gWorkFolderOverride;
  return baseFolder() + "Quillmere/Database/";
}

void setWorkFolder(const std::string& folder) { gWorkFolderOverride = withSlash(folder); }

std::string NLSPath() { return baseFolder() + "NLS/"; }

std::string SysDataPath() { return baseFolder() + "Quillmere/Sysdata/"; }

bool forceDirectories(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec);
}

}  // namespace rowsmith
