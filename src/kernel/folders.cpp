#include "kernel/folders.h"

#include "os/osfile.h"

namespace rowsmith {

namespace {

std::string withSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::string executableFolder() {
  std::string exe = os::executablePath();
  size_t slash = exe.find_last_of('/');
  if (slash == std::string::npos) return withSlash(os::currentFolder());
  return exe.substr(0, slash + 1);
}

bool keepsFilesBeside(const std::string& exeFolder) {
  // An installed program keeps its files per user even where it could write
  // beside itself, as when root starts /usr/bin/rowsmith.
  std::string folder = exeFolder;
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  if (folder == "bin" || (folder.size() > 4 && folder.compare(folder.size() - 4, 4, "/bin") == 0)) return false;
  return os::isWritable(exeFolder);
}

std::string baseFolder() {
  std::string home = os::environment("ROWSMITH_HOME");
  if (!home.empty()) return withSlash(home);
  std::string exeFolder = executableFolder();
  // An installed program usually cannot write beside itself; its files then
  // go to the user's data folder.
  if (keepsFilesBeside(exeFolder)) return exeFolder;
  return os::userDataFolder() + "rowsmith/";
}

std::string NLSPath() { return baseFolder() + "NLS/"; }

std::string SysDataPath() { return baseFolder() + "Quillmere/Sysdata/"; }

bool forceDirectories(const std::string& folder) { return os::createFolders(folder); }

}  // namespace rowsmith
