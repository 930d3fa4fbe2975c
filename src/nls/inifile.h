#pragma once
// INI files, read as UTF-8 when they are well-formed UTF-8, as UTF-16 after
// its byte-order mark (written back as UTF-8 with a mark) and else as
// Windows-1252, written back the same way unless a value needs a character
// the code page lacks (then the whole file is UTF-8). Lines end at LF or
// CR LF, or at CR in a file without any LF. Section and key names compare
// without regard to case; blanks and one pair of enclosing quotes around a
// value are dropped when it is read, at most kMaxIniValue characters of it.
// Writing replaces a key's line in place, adds a missing key or section, and
// replaces the file whole (temporary file, then rename), so a failed write
// keeps the old file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rowsmith {

inline constexpr size_t kMaxIniValue = 2047;
// A settings or language file is read only when it is a regular file of at
// most this size; a pipe would block the start, a device never end.
inline constexpr uint64_t kMaxIniFileSize = 4 * 1024 * 1024;

// The files skipped since the last call (each named once), for the window
// to say which; taking them empties the list.
std::vector<std::string> takeSkippedIniFiles();

class TIniFile {
 public:
  // Nothing is read until the first access; the object then works on its
  // copy of the file, so a lookup should use a fresh object.
  explicit TIniFile(std::string fileName);
  const std::string& fileName() const { return fileName_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // A missing value or one that is not a decimal integer gives the default.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
  // Stored as an integer: non-zero is true.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
  // Returns false when the file could not be written; the old file stays.
  // A value is one line: line breaks in it are written as blanks.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
  bool WriteBool(std::string_view section, std::string_view key, bool value);

  // Between these two, writes only change the copy; EndUpdate writes the
  // file once, so a set of settings is replaced together or not at all.
  // Saving reads the file again under a lock on its folder and writes back
  // only the keys this object changed, so that two programs saving at once keep
  // each other's keys.
  void BeginUpdate();
  bool EndUpdate();

 private:
  void load() const;
  void applyWrite(std::string_view section, std::string_view key, const std::string& text) const;
  bool save();
  // Line index of the section header, or -1.
  int findSection(std::string_view section) const;
  // Line index of the key within the section starting at sectionLine, or -1.
  int findKey(int sectionLine, std::string_view key) const;

  std::string fileName_;
  mutable bool loaded_ = false;
  mutable std::vector<std::string> lines_;
  mutable std::string lineEnd_ = "\r\n";
  mutable bool utf8_ = false;
  mutable bool utf8Bom_ = false;
  struct Change {
    std::string section, key, text;
  };
  std::vector<Change> changes_;
  int updateDepth_ = 0;
  bool dirty_ = false;
};

}  // namespace rowsmith
