#include "ui/recentfiles.h"

#include "nls/inifile.h"
#include "platform/platform.h"

namespace rowsmith {

namespace {
constexpr char kSection[] = "RecentFiles";
std::string key(int i) { return "File" + std::to_string(i + 1); }
}  // namespace

QStringList RecentFiles::files() const {
  TIniFile settings(settingsFile_);
  QStringList files;
  for (int i = 0; i < kMaxFiles; ++i) {
    const std::string name = settings.ReadString(kSection, key(i), "");
    if (!name.empty()) files << platform::fromUtf8(name);
  }
  return files;
}

void RecentFiles::remember(const QString& file) {
  if (platform::fromUtf8(platform::toUtf8(file)) != file) return;
  QStringList list = files();
  list.removeAll(file);
  list.prepend(file);
  store(list);
}

void RecentFiles::forget(const QString& file) {
  QStringList list = files();
  list.removeAll(file);
  store(list);
}

void RecentFiles::store(const QStringList& list) {
  TIniFile settings(settingsFile_);
  settings.BeginUpdate();
  for (int i = 0; i < kMaxFiles; ++i)
    settings.WriteString(kSection, key(i), i < list.size() ? platform::toUtf8(list.at(i)) : std::string());
  settings.EndUpdate();
}

}  // namespace rowsmith
