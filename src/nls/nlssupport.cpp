#include "nls/nlssupport.h"

#include <cerrno>

#include "import/importrun.h"
#include "kernel/utf8text.h"
#include "kernel/atomicfile.h"
#include "kernel/folders.h"
#include "kernel/strreplace.h"
#include "nls/inifile.h"
#include "os/osfile.h"

namespace rowsmith {

namespace {

// The tail taken from the default gives back what the reader dropped (trailing
// blanks) or cut (beyond the read limit).
constexpr size_t kMaxSuffix = 255;

std::string encodeLineBreaks(std::string_view text) {
  std::string encoded = StrReplace("\n", "<#10>", text, true);
  return StrReplace("\r", "<#13>", encoded, true);
}

std::string decodeLineBreaks(std::string_view text) {
  std::string decoded = StrReplace("<#10>", "\n", text, true);
  return StrReplace("<#13>", "\r", decoded, true);
}

}  // namespace

std::string TrimToLetter(std::string_view text) {
  while (!text.empty()) {
    char upper = asciiUpperChar(text.back());
    if (upper >= 'A' && upper <= 'Z') break;
    text.remove_suffix(1);
  }
  return std::string(text);
}

std::string TNLS::languageFolder() const { return folder_.empty() ? NLSPath() : folder_; }

std::string TNLS::languageFileName() const {
  return languageFolder() + "NLS." + std::to_string(LanguageID);
}

std::string TNLS::GetNLSText(std::string_view section, std::string_view key,
                             std::string_view defaultText) const {
  std::string trimmedKey = TrimToLetter(key);
  if (trimView(section).empty() || trimView(trimmedKey).empty()) return std::string(defaultText);
  if (defaultText.empty()) return {};

  std::string value;
  try {
    TIniFile file(languageFileName());
    value = file.ReadString(section, trimmedKey, {});
    if (value.empty()) {
      value = encodeLineBreaks(defaultText);
      if (!readOnly_) file.WriteString(section, trimmedKey, value);
    }
  } catch (const std::exception&) {
    // A language file that cannot be read or written leaves the default.
    if (value.empty()) value = encodeLineBreaks(defaultText);
  }

  std::string_view suffix;
  if (!value.empty() && defaultText.substr(0, value.size()) == value) {
    suffix = defaultText.substr(value.size(), kMaxSuffix);
  }
  std::string text = decodeLineBreaks(value);
  text += suffix;
  return text;
}

TNLS& NLS() {
  static TNLS instance;
  return instance;
}

int32_t startLanguage(std::string_view main, int32_t id, std::string_view localeName, bool englishAvailable) {
  if (!main.empty()) return id;
  if (localeName.substr(0, 2) == "de") return 49;
  return englishAvailable ? 44 : 49;
}

std::string replacePlaceholder(std::string text, std::string_view fileName) {
  if (size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, fileName);
  return text;
}

namespace {

using K = os::ErrorKind;
struct Cause {
  K kind;
  const char* key;
  const char* german;
};
constexpr Cause kCauses[] = {
      {K::NotFound, "NotFound", "Datei nicht gefunden"},
      {K::IsFolder, "IsFolder", "Das ist ein Ordner"},
      {K::ReadOnly, "ReadOnly", "Nur lesbares Dateisystem"},
      {K::AccessDenied, "AccessDenied", "Zugriff verweigert"},
      {K::NotPermitted, "NotPermitted", "Vorgang nicht erlaubt"},
      {K::NoSpace, "NoSpace", "Kein Platz mehr auf dem Gerät"},
      {K::TooLarge, "TooLarge", "Datei zu groß"},
      {K::NotAFolder, "NotAFolder", "Ein Teil des Pfades ist kein Ordner"},
      {K::NameTooLong, "NameTooLong", "Dateiname zu lang"},
      {K::IoError, "IoError", "Ein-/Ausgabefehler"},
      {K::OutOfMemory, "OutOfMemory", "Nicht genug Arbeitsspeicher"},
};

}  // namespace

std::string_view causeKey(const os::Error& error) {
  const K kind = error.kind();
  for (const Cause& known : kCauses)
    if (kind == known.kind) return known.key;
  return {};
}

std::string causeText(const os::Error& error) {
  const K kind = error.kind();
  for (const Cause& known : kCauses)
    if (kind == known.kind) return NLS().GetNLSText("Causes", known.key, known.german);
  // What the messages do not tell apart keeps the system's own words.
  return error.text();
}

std::string causeText(const ReadFailure& failure) {
  switch (failure.kind) {
    case ReadFailure::Kind::None: break;
    case ReadFailure::Kind::System: return causeText(failure.system);
    case ReadFailure::Kind::CutShort:
      return replacePlaceholder(
          replacePlaceholder(NLS().GetNLSText("Causes", "CutShort", "Die Datei endete nach %s von %s Bytes"),
                             std::to_string(failure.bytesRead)),
          std::to_string(failure.bytesExpected));
    case ReadFailure::Kind::Cancelled: return NLS().GetNLSText("Causes", "Cancelled", "Abgebrochen");
  }
  return {};
}

void localizeSexCells(StringTable& table, const TNLS& nls) {
  const std::string female = nls.GetNLSText("Sexes", "Female", "W");
  const std::string male = nls.GetNLSText("Sexes", "Male", "M");
  if (female == "W" && male == "M") return;
  for (int c = 0; c < kResultColumns && c < table.columnCount(); ++c) {
    if (resultColumns()[static_cast<size_t>(c)].kind != ColumnKind::Sex) continue;
    for (int r = 1; r < table.rowCount(); ++r) {
      const std::string_view cell = table.cell(c, r);
      if (cell == "W") table.setCell(c, r, female);
      else if (cell == "M") table.setCell(c, r, male);
    }
  }
}

std::vector<std::string> translatedResultHeaders(const TNLS& nls) {
  std::vector<std::string> headers;
  for (int c = 0; c < kResultColumns; ++c)
    headers.push_back(nls.GetNLSText("Headers", resultColumns()[static_cast<size_t>(c)].key,
                                     resultColumns()[static_cast<size_t>(c)].header));
  return headers;
}

std::string shippedLanguageFolder() {
  // Beside the program (a build tree), under an installed program's prefix,
  // and where this build installs them, for a program started elsewhere.
  const std::string exe = executableFolder();
  std::vector<std::string> candidates{exe + "NLS/", exe + "../share/rowsmith/NLS/"};
#ifdef ROWSMITH_SHIPPED_NLS
  candidates.emplace_back(ROWSMITH_SHIPPED_NLS);
#endif
  for (const std::string& folder : candidates)
    if (os::fileInfo(folder + "NLS.44").kind == os::FileKind::Regular) return folder;
  return {};
}

void copyShippedLanguageFiles(const std::string& languageFolder) {
  const std::string shipped = shippedLanguageFolder();
  if (shipped.empty()) return;
  for (const char* name : {"NLS.44"}) {
    if (os::fileInfo(languageFolder + name).kind != os::FileKind::Missing) continue;
    os::Error error;
    os::File in = os::File::openForReading(shipped + name, &error);
    if (!in.isOpen() || in.info().kind != os::FileKind::Regular || in.info().size > kMaxIniFileSize) continue;
    std::string bytes(static_cast<size_t>(in.info().size), '\0');
    if (in.readFull(bytes.data(), bytes.size()) != static_cast<std::ptrdiff_t>(bytes.size())) continue;
    os::createFolders(languageFolder);
    writeFileAtomically(languageFolder + name, bytes);
  }
}

}  // namespace rowsmith
