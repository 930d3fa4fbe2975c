#include "import/charsetchoice.h"

#include "kernel/charsets.h"
#include "kernel/textcodec.h"
#include "kernel/utf8text.h"

namespace rowsmith {

namespace {

bool contains(std::string_view text, std::string_view what) { return text.find(what) != std::string_view::npos; }

// The value of a CHAR line; a code page it names comes back in page.
CharsetMode modeFromCharValue(std::string_view value, const CodePage*& page) {
  page = codePageNamed(trimView(value));
  if (page != nullptr) return CharsetMode::CodePage;
  if (contains(value, "ANSI")) return CharsetMode::Ansi;
  if (contains(value, "ANSEL")) return CharsetMode::Ansel;
  if (contains(value, "UTF-8")) return CharsetMode::Utf8;
  if (contains(value, "UNICODE")) return CharsetMode::Unicode;
  return CharsetMode::Undetermined;
}

}  // namespace

// Only a level-1 CHAR line of the header names the character set: a note
// quoting one later must not change how the rest is read. A GEDCOM 7 file
// without one is UTF-8.
void CharsetChoice::readHeaderLine(std::string_view line, bool gedcom7) {
  const std::string_view trimmed = trimView(line);
  if (!trimmed.empty() && trimmed.front() == '0') {
    inHeader_ = false;
    if (mode_ == CharsetMode::Undetermined && gedcom7) mode_ = CharsetMode::Utf8;
    return;
  }
  if (contains(trimmed, "ANSEL")) headerNamesAnsel_ = true;
  if (mode_ == CharsetMode::Undetermined && trimmed.starts_with("1 CHAR") &&
      (trimmed.size() == 6 || trimmed[6] == ' '))
    mode_ = modeFromCharValue(trimmed.substr(6), codePage_);
}

CharsetChoice CharsetChoice::forLaterPart() const {
  CharsetChoice later = *this;
  later.inHeader_ = false;
  return later;
}

std::string_view CharsetChoice::decodeBytes(std::string_view raw, std::string& out) const {
  // Most lines of a UTF-8 file (and of one that names no character set)
  // come out of the decoder as they went in.
  if ((mode_ == CharsetMode::Undetermined || mode_ == CharsetMode::Utf8 || mode_ == CharsetMode::Unicode) &&
      isPlainUtf8Line(raw))
    return raw;
  switch (mode_) {
    case CharsetMode::Ansi:
      out = decodeWindows1252(raw);
      std::erase(out, '\0');
      break;
    case CharsetMode::Utf8:
    case CharsetMode::Unicode:
      out = decodeUtf8Line(raw);
      break;
    case CharsetMode::Ansel:
      out = decodeAnselLine(raw);
      break;
    case CharsetMode::CodePage:
      out = decodeCodePageLine(raw, *codePage_);
      break;
    default:
      // ANSEL bytes are read as such only where the header names ANSEL:
      // elsewhere they are far likelier Windows-1252 letters.
      if (hasUtf8MultiByte(raw) || raw.find('\0') != std::string_view::npos)
        out = decodeUtf8Line(raw);
      else if (headerNamesAnsel_ && hasAnselSequence(raw))
        out = decodeAnselLine(raw);
      else
        out = decodeWindows1252(raw);
      break;
  }
  return out;
}

}  // namespace rowsmith
