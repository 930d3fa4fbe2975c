#include "export/exportsettings.h"

#include <algorithm>
#include <cstring>

#include "nls/inifile.h"

namespace rowsmith {

namespace {

using G = ExportGroup;
constexpr ExportSettingKey kKeys[] = {
    {"DelimiterSaveCSV", false, "1", G::Separator, 1, "btnClientBottomClientClientSeperatorCSV", "CSV (EXCEL) - (;)"},
    {"DelimiterSaveAscii", false, "0", G::Separator, 0, "btnClientBottomClientClientSeperatorASCII", "ASCII - (,)"},
    {"DelimiterSaveTAB", false, "0", G::Separator, 2, "btnClientBottomClientClientSeperatorTAB", "Tabulator - (#9)"},
    {"DelimiterSaveOther", false, "0", G::Separator, 3, "btnClientBottomClientClientSeperatorFree", "Anderes Zeichen"},
    {"DelimiterSaveOtherSTR", true, "#8", G::Separator, 4, "edtClientBottomClientClientSeperatorFree", ""},
    {"SaveToClipboard", false, "1", G::SaveTo, 0, "btnClientBottomClientClientSaveToClipboard",
     "In die Zwischenablage kopieren"},
    {"SaveToFile", false, "0", G::SaveTo, 1, "btnClientBottomClientClientSaveToFile", "Als Datei speichern"},
    {"SaveToFileSTR", true, "", G::SaveTo, 3, "edtClientBottomClientClientSaveToFile", ""},
    {"SaveToWorkbook", false, "0", G::SaveTo, 2, "btnClientBottomClientClientSaveToWorkbook",
     "Als Arbeitsmappe speichern (.xlsx)"},
    {"LineBreakUseCRLF", false, "1", G::LineBreak, 0, "btnClientBottomClientClientLineBreakCRLF", "CR + LF (#13#10)"},
    {"LineBreakUseLF", false, "0", G::LineBreak, 1, "btnClientBottomClientClientLineBreakLF", "LF (#10)"},
    {"LineBreakUseOther", false, "0", G::LineBreak, 2, "btnClientBottomClientClientLineBreakFree",
     "Anderen Zeilenumbruch"},
    {"LineBreakUseOtherSTR", true, "#10#13", G::LineBreak, 3, "edtClientBottomClientClientLineBreakFree", ""},
    {"AddCharNone", false, "1", G::Enclose, 0, "btnClientBottomClientClientAddCharNone", "Nicht zusätzlich einklammern"},
    {"AddCharSingle", false, "0", G::Enclose, 1, "btnClientBottomClientClientAddCharSingle", "Anführungszeichen - (')"},
    {"AddCharDouble", false, "0", G::Enclose, 2, "btnClientBottomClientClientAddCharDouble",
     "Anführungszeichen - (\")"},
    {"AddCharOther", false, "0", G::Enclose, 3, "btnClientBottomClientClientAddCharOther", "Anderes Zeichen"},
    {"AddCharOtherSTR", true, "!", G::Enclose, 4, "edtClientBottomClientClientAddCharOther", ""},
    {"CharsetANSI", false, "1", G::Charset, 0, "btnClientBottomClientClientCharsetANSI", "ANSI (Windows-1252)"},
    {"CharsetUTF8", false, "0", G::Charset, 1, "btnClientBottomClientClientCharsetUTF8", "UTF-8"},
    {"CharsetUTF8BOM", false, "0", G::Charset, 2, "btnClientBottomClientClientCharsetUTF8BOM", "UTF-8 mit BOM (Excel)"},
    // The first item of the column list.
    {"SaveRowCounts", false, "1", G::Columns, 0, "", ""},
};

}  // namespace

std::span<const ExportSettingKey> exportSettingKeys() { return kKeys; }

int exportSettingIndex(const char* key) {
  for (size_t i = 0; i < std::size(kKeys); ++i)
    if (std::strcmp(kKeys[i].key, key) == 0) return static_cast<int>(i);
  return -1;
}

ExportSettingValues readExportSettings(const TIniFile& ini) {
  ExportSettingValues values;
  for (const ExportSettingKey& k : kKeys) {
    if (k.text)
      values.push_back(ini.ReadString(kExportSettingsSection, k.key, k.defaultValue));
    else
      values.push_back(ini.ReadBool(kExportSettingsSection, k.key, k.defaultValue[0] == '1') ? "1" : "0");
  }
  return values;
}

bool writeExportSettings(TIniFile& ini, const ExportSettingValues& values) {
  ini.BeginUpdate();
  for (size_t i = 0; i < std::size(kKeys) && i < values.size(); ++i) {
    if (kKeys[i].text)
      ini.WriteString(kExportSettingsSection, kKeys[i].key, values[i]);
    else
      ini.WriteBool(kExportSettingsSection, kKeys[i].key, values[i] == "1");
  }
  return ini.EndUpdate();
}

bool exportSettingSet(const ExportSettingValues& values, const char* key) {
  int i = exportSettingIndex(key);
  return i >= 0 && static_cast<size_t>(i) < values.size() && values[static_cast<size_t>(i)] == "1";
}

const std::string& exportSettingText(const ExportSettingValues& values, const char* key) {
  static const std::string kEmpty;
  int i = exportSettingIndex(key);
  return i >= 0 && static_cast<size_t>(i) < values.size() ? values[static_cast<size_t>(i)] : kEmpty;
}

ExportOptions exportOptionsFrom(const ExportSettingValues& v) {
  auto set = [&](const char* key) { return exportSettingSet(v, key); };
  ExportOptions options;
  options.separator = set("DelimiterSaveAscii")   ? SeparatorChoice::Ascii
                      : set("DelimiterSaveCSV")   ? SeparatorChoice::Csv
                      : set("DelimiterSaveTAB")   ? SeparatorChoice::Tab
                      : set("DelimiterSaveOther") ? SeparatorChoice::Free
                                                  : SeparatorChoice::None;
  options.separatorFree = exportSettingText(v, "DelimiterSaveOtherSTR");
  options.enclose = set("AddCharSingle")   ? EncloseChoice::Single
                    : set("AddCharDouble") ? EncloseChoice::Double
                    : set("AddCharOther")  ? EncloseChoice::Other
                                           : EncloseChoice::None;
  options.encloseOther = exportSettingText(v, "AddCharOtherSTR");
  options.lineBreak = set("LineBreakUseCRLF")    ? LineBreakChoice::CrLf
                      : set("LineBreakUseLF")    ? LineBreakChoice::Lf
                      : set("LineBreakUseOther") ? LineBreakChoice::Free
                                                 : LineBreakChoice::None;
  options.lineBreakFree = exportSettingText(v, "LineBreakUseOtherSTR");
  options.encoding = set("CharsetUTF8")      ? TextEncoding::Utf8
                     : set("CharsetUTF8BOM") ? TextEncoding::Utf8Bom
                                             : TextEncoding::Windows1252;
  return options;
}

std::vector<std::string> uncheckedColumnsFrom(std::string_view stored) {
  std::vector<std::string> headers;
  while (!stored.empty()) {
    const size_t end = std::min(stored.find('|'), stored.size());
    if (end > 0) headers.emplace_back(stored.substr(0, end));
    stored.remove_prefix(std::min(end + 1, stored.size()));
  }
  return headers;
}

std::string uncheckedColumnsText(const std::vector<std::string>& headers) {
  std::string text;
  for (const std::string& header : headers) {
    if (header.empty() || header.find('|') != std::string::npos) continue;
    if (!text.empty()) text += '|';
    text += header;
  }
  return text;
}

}  // namespace rowsmith
