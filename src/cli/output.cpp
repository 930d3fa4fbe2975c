#include "cli/output.h"

#include "os/osfile.h"

namespace rowsmith::cli {

namespace {

std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool sameFile(const os::FileInfo& a, const os::FileInfo& b) {
  return a.kind != os::FileKind::Missing && b.kind != os::FileKind::Missing && a.device == b.device &&
         a.inode == b.inode;
}

// The cause of a target that cannot be written, in the user's terms where
// the system's error would mislead ("Not a directory" for a missing folder,
// "No such file" for a file that is only read-only).
std::string whyNotWritable(const std::string& target, const std::string& systemText) {
  const os::FileInfo info = os::fileInfo(target);
  if (info.kind == os::FileKind::Folder) return "it is a folder; name a file to write";
  if (!target.empty() && target.back() == '/') return "a file name cannot end in \"/\"";
  const std::string real = os::resolveLinks(target);
  if (info.kind == os::FileKind::Regular && ((info.mode & 0222) == 0 || !os::isWritable(real)))
    return "the file is read-only";
  const std::string folder = folderOf(real);
  const os::FileInfo folderInfo = os::fileInfo(folder);
  if (folderInfo.kind == os::FileKind::Missing) return "the folder " + folder + " does not exist";
  if (folderInfo.kind != os::FileKind::Folder) return folder + " is not a folder";
  if (!os::isWritable(folder)) return "no new file can be made in " + folder + ": " + systemText;
  return systemText;
}

}  // namespace

TableOutput::~TableOutput() {
  // Removed here, before the registration ends, so no signal can fall
  // between the two and leave it.
  file_.abandon();
  os::removeOnInterrupt("");
}

std::string TableOutput::open(const std::string& target, const std::string& input) {
  target_ = target;
  if (target.empty()) return {};
  const os::FileInfo in = input == "-" ? os::File::openForReading("-", nullptr).info() : os::fileInfo(input);
  const os::FileInfo out = os::fileInfo(target);
  // Replacing the input with its own table would lose it before it is read.
  if (out.kind == os::FileKind::Regular && sameFile(in, out))
    return "cannot write " + target + ": it is the input file " + input;
  std::string error;
  os::InterruptsHeld held;
  if (!file_.open(target, &error)) return "cannot write " + target + ": " + whyNotWritable(target, error);
  os::removeOnInterrupt(file_.temporaryPath());
  return {};
}

bool TableOutput::write(std::string_view bytes) {
  if (!target_.empty()) return file_.write(bytes);
  if (!outputProblem_.empty()) return false;
  if (os::File::standardOutput().writeAll(bytes)) return true;
  const os::Error error = os::lastError();
  outputProblem_ = os::isBrokenPipe(error) ? "-" : "cannot write to standard output: " + error.text();
  return false;
}

std::string TableOutput::finish() {
  if (target_.empty()) return outputProblem_;
  std::string error;
  const bool committed = file_.commit(&error);  // reports a failed write too
  os::removeOnInterrupt("");
  return committed ? std::string() : "cannot write " + target_ + ": " + error;
}

}  // namespace rowsmith::cli
