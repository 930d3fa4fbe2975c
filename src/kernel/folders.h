#pragma once
// Where the program keeps its files. Paths use "/" and end with "/".
#include <string>

namespace rowsmith {

// $ROWSMITH_HOME when set, else the executable's folder when writable, else
// the per-user data folder.
std::string baseFolder();
// Whether a program in this folder keeps its files beside itself: the folder
// is writable and is no installed program folder (one named "bin").
bool keepsFilesBeside(const std::string& exeFolder);
// The executable's own folder.
std::string executableFolder();
// baseFolder() + "NLS/" and + "Quillmere/Sysdata/".
std::string NLSPath();
std::string SysDataPath();
// Creates a folder with its missing parents; false on failure.
bool forceDirectories(const std::string& folder);

}  // namespace rowsmith
