#pragma once
// INI files of 8-bit text: section and key names compare without regard to
// case; writing replaces the file whole (temporary file, then rename).
#include <cstdint>
#include <string>
#include <string_view>

namespace rowsmith {

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);
  const std::string& fileName() const { return fileName_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t defaultValue) const;
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
  // Returns false when the file could not be written; the old file stays.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
  bool WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  std::string fileName_;
};

}  // namespace rowsmith
