#include "nls/inifile.h"

#include <mutex>
#include <utility>

#include "kernel/utf8text.h"
#include "kernel/atomicfile.h"
#include "kernel/textcodec.h"
#include "os/osfile.h"

namespace rowsmith {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view trimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
  char32_t x = 0, y = 0;
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    i += nextCharacter(a, i, x);
    j += nextCharacter(b, j, y);
    if (upperChar(x) != upperChar(y)) return false;
  }
  return i == a.size() && j == b.size();
}

// The name of a section header line ("[name]"), or nothing.
bool sectionName(std::string_view line, std::string_view& name) {
  line = trimBlanks(line);
  if (line.empty() || line.front() != '[') return false;
  line.remove_prefix(1);
  size_t close = line.find(']');
  name = trimBlanks(close == std::string_view::npos ? line : line.substr(0, close));
  return true;
}

// Splits "key = value"; false for lines without "=".
bool keyLine(std::string_view line, std::string_view& key, std::string_view& value) {
  size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  key = trimBlanks(line.substr(0, equals));
  value = line.substr(equals + 1);
  return true;
}

std::mutex& skippedMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<std::string>& skippedFiles() {
  static std::vector<std::string> files;
  return files;
}

void noteSkipped(const std::string& fileName) {
  std::lock_guard lock(skippedMutex());
  for (const std::string& known : skippedFiles())
    if (known == fileName) return;
  skippedFiles().push_back(fileName);
}

// A file this program may read and replace: missing, or regular and small.
bool usableFile(const std::string& fileName) {
  const os::FileInfo info = os::fileInfo(fileName);
  if (info.kind == os::FileKind::Missing) return true;
  if (info.kind == os::FileKind::Regular && info.size <= kMaxIniFileSize) return true;
  noteSkipped(fileName);
  return false;
}

// The folder of a settings file, whose lock is held while it is read and replaced.
std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// UTF-16 as editors save "Unicode" text, with its byte-order mark: the
// mark's size, bigEndian set; else 0.
size_t utf16Mark(std::string_view content, bool& bigEndian) {
  bigEndian = content.starts_with("\xFE\xFF");
  return bigEndian || content.starts_with("\xFF\xFE") ? 2 : 0;
}

std::string oneLine(std::string_view value) {
  std::string text(value);
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

}  // namespace

std::vector<std::string> takeSkippedIniFiles() {
  std::lock_guard lock(skippedMutex());
  return std::exchange(skippedFiles(), {});
}

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

void TIniFile::load() const {
  if (loaded_) return;
  loaded_ = true;
  lines_.clear();
  utf8_ = utf8Bom_ = false;
  if (!usableFile(fileName_)) return;
  os::File in = os::File::openForReading(fileName_, nullptr);
  if (!in.isOpen()) return;
  const uint64_t size = in.info().size;
  if (size > kMaxIniFileSize) return;
  std::string content(static_cast<size_t>(size), '\0');
  const std::ptrdiff_t got = in.readFull(content.data(), content.size());
  content.resize(got > 0 ? static_cast<size_t>(got) : 0);
  // Files of earlier versions are Windows-1252; an ASCII file is either.
  // A UTF-16 file is written back as UTF-8 with its mark, which holds the same.
  bool bigEndian = false;
  if (const size_t mark = utf16Mark(content, bigEndian)) {
    content = decodeUtf16Line(std::string_view(content).substr(mark), bigEndian, false);
    utf8Bom_ = true;
  } else {
    utf8Bom_ = content.starts_with(kUtf8Bom);
    if (utf8Bom_) content.erase(0, kUtf8Bom.size());
  }
  utf8_ = utf8Bom_ || (isWellFormedUtf8(content) && hasUtf8MultiByte(content));
  if (!utf8_) content = decodeWindows1252(content);
  // Lines end at LF, a CR before it dropped; a file without any LF (as old
  // Mac editors wrote them) has its lines end at CR.
  const char lineEnd = content.find('\n') == std::string::npos ? '\r' : '\n';
  size_t firstBreak = content.find(lineEnd);
  if (firstBreak != std::string::npos) {
    lineEnd_ = lineEnd == '\r' ? "\r" : (firstBreak > 0 && content[firstBreak - 1] == '\r') ? "\r\n" : "\n";
  }
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find(lineEnd, start);
    if (end == std::string::npos) end = content.size();
    size_t stop = end;
    if (lineEnd == '\n' && stop > start && content[stop - 1] == '\r') --stop;
    lines_.emplace_back(content, start, stop - start);
    start = end + 1;
  }
}

int TIniFile::findSection(std::string_view section) const {
  std::string_view name;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (sectionName(lines_[i], name) && sameName(name, section)) return static_cast<int>(i);
  }
  return -1;
}

int TIniFile::findKey(int sectionLine, std::string_view key) const {
  std::string_view name, value;
  for (size_t i = static_cast<size_t>(sectionLine) + 1; i < lines_.size(); ++i) {
    if (sectionName(lines_[i], name)) break;
    if (keyLine(lines_[i], name, value) && sameName(name, key)) return static_cast<int>(i);
  }
  return -1;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
  load();
  section = trimBlanks(section);
  key = trimBlanks(key);
  int sectionLine = findSection(section);
  if (sectionLine < 0) return std::string(defaultValue);
  int line = findKey(sectionLine, key);
  if (line < 0) return std::string(defaultValue);
  std::string_view name, value;
  keyLine(lines_[line], name, value);
  value = trimBlanks(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  if (value.size() > kMaxIniValue) value = value.substr(0, kMaxIniValue);
  return std::string(value);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                              int32_t defaultValue) const {
  std::string text = ReadString(section, key, {});
  return toInt32(text).value_or(defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TIniFile::WriteString(std::string_view section, std::string_view key,
                           std::string_view value) {
  load();
  // A stray byte would make the whole file unreadable as UTF-8.
  const std::string sectionText = wellFormedUtf8(trimBlanks(section));
  const std::string keyText = wellFormedUtf8(trimBlanks(key));
  section = sectionText;
  key = keyText;
  std::string text = oneLine(wellFormedUtf8(value));
  applyWrite(section, key, text);
  changes_.push_back({std::string(section), std::string(key), std::move(text)});
  dirty_ = true;
  return updateDepth_ > 0 ? true : save();
}

void TIniFile::applyWrite(std::string_view section, std::string_view key, const std::string& text) const {
  int sectionLine = findSection(section);
  if (sectionLine < 0) {
    if (!lines_.empty() && !trimBlanks(lines_.back()).empty()) lines_.emplace_back();
    std::string header = "[";
    header.append(section).append("]");
    lines_.push_back(std::move(header));
    lines_.push_back(std::string(key) + "=" + text);
  } else if (int line = findKey(sectionLine, key); line >= 0) {
    // Keep the key's spelling as the file has it.
    std::string_view name, old;
    keyLine(lines_[line], name, old);
    lines_[line] = std::string(name) + "=" + text;
  } else {
    // After the section's last non-blank line, before the blank lines that
    // separate it from the next section.
    size_t insertAt = static_cast<size_t>(sectionLine) + 1;
    std::string_view name;
    for (size_t i = insertAt; i < lines_.size() && !sectionName(lines_[i], name); ++i) {
      if (!trimBlanks(lines_[i]).empty()) insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  std::string(key) + "=" + text);
  }
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

void TIniFile::BeginUpdate() { ++updateDepth_; }

bool TIniFile::EndUpdate() {
  if (updateDepth_ > 0 && --updateDepth_ > 0) return true;
  return dirty_ ? save() : true;
}

bool TIniFile::save() {
  // A file that is no regular file is left alone, as it was not read.
  if (!usableFile(fileName_)) {
    changes_.clear();
    loaded_ = false;
    dirty_ = false;
    return false;
  }
  const os::FolderLock lock(folderOf(fileName_));
  // What another program saved meanwhile stays; this object's keys go on top.
  loaded_ = false;
  load();
  for (const Change& change : changes_) applyWrite(change.section, change.key, change.text);
  changes_.clear();
  std::string content;
  size_t size = 0;
  for (const std::string& line : lines_) size += line.size() + lineEnd_.size();
  content.reserve(size);
  for (const std::string& line : lines_) {
    content += line;
    content += lineEnd_;
  }
  // Written in the encoding read, unless a value needs more than the code page.
  std::string bytes;
  if (!utf8_ && !utf8ToWindows1252Exact(content, bytes)) utf8_ = true;
  // Code-page bytes that happen to form UTF-8 ("Ã¤") would read back as
  // other text once no other byte keeps the file from reading as UTF-8.
  if (!utf8_ && hasUtf8MultiByte(bytes) && isWellFormedUtf8(bytes)) utf8_ = true;
  if (utf8_) {
    bytes.assign(utf8Bom_ ? kUtf8Bom : std::string_view());
    bytes.append(content);
  }
  if (!writeFileAtomically(fileName_, bytes)) {
    // The file on disk is unchanged; forget the edits so later reads agree.
    loaded_ = false;
    dirty_ = false;
    return false;
  }
  dirty_ = false;
  return true;
}

}  // namespace rowsmith
