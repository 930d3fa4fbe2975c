#pragma once
// Which decoder turns the lines of an 8-bit GEDCOM file into UTF-8 in NFC:
// the one the header's CHAR line names, and until then (or without one) the
// first decoder that finds its kind of bytes in a line.
#include <string>
#include <string_view>

#include "kernel/bytescans.h"

namespace rowsmith {

struct CodePage;

enum class CharsetMode { Undetermined = 0, Ansi = 1, Utf8 = 2, Unicode = 3, Ansel = 4, CodePage = 5 };

class CharsetChoice {
 public:
  // Reads a line of the header, up to and with the level-0 line after it,
  // which ends the header; gedcom7 tells whether the header said version 7.
  void readHeaderLine(std::string_view line, bool gedcom7);
  bool inHeader() const { return inHeader_; }
  bool determined() const { return mode_ != CharsetMode::Undetermined; }
  // The same choice for a later part of the file, read on its own.
  CharsetChoice forLaterPart() const;

  // The line in UTF-8 in NFC: the line itself where it needs no conversion,
  // otherwise converted into out.
  std::string_view decode(std::string_view line, std::string& out) const {
    // Every conversion only touches NUL bytes or bytes above 127, so lines
    // without them (most lines of most files) skip the conversion calls.
    if (!hasNulOrHighByte(line)) return line;
    return decodeBytes(line, out);
  }

 private:
  std::string_view decodeBytes(std::string_view line, std::string& out) const;

  CharsetMode mode_ = CharsetMode::Undetermined;
  const CodePage* codePage_ = nullptr;  // the code page of CharsetMode::CodePage
  bool inHeader_ = true;
  bool headerNamesAnsel_ = false;
};

}  // namespace rowsmith
