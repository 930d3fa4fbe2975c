#include "kernel/folders.h"

#include "os/osfile.h"

namespace rowsmith {

namespace {

std::string withSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string userDataFolder() {
  std::string data = os::environment("XDG_DATA_HOME");
  // Relative values are invalid by the XDG rules and would depend on the cwd.
  if (data.empty() || data.front() != '/') {
    std::string home = os::userHomeFolder();
    if (home.empty()) home = os::temporaryFolder();
    data = withSlash(home) + ".local/share";
  }
  return withSlash(data) + "rowsmith/";
}

}  // namespace

std::string executableFolder() {
  std::string exe = os::executablePath();
  size_t slash = exe.find_last_of('/');
  if (slash == std::string::npos) return withSlash(os::currentFolder());
  return exe.substr(0, slash + 1);
}

std::string baseFolder() {
  std::string home = os::environment("ROWSMITH_HOME");
  if (!home.empty()) return withSlash(home);
  std::string exeFolder = executableFolder();
  // An installed program usually cannot write beside itself; its files then
  // go to the user's data folder.
  if (os::isWritable(exeFolder)) return exeFolder;
  return userDataFolder();
}

std::string NLSPath() { return baseFolder() + "NLS/"; }

std::string SysDataPath() { return baseFolder() + "Quillmere/Sysdata/"; }

bool forceDirectories(const std::string& folder) { return os::createFolders(folder); }

}  // namespace rowsmith
