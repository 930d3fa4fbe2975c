#pragma once
// The files imported last, newest first, as the settings file keeps them
// (section "RecentFiles", keys File1 to File8).
#include <string>

#include <QStringList>

namespace rowsmith {

class RecentFiles {
 public:
  static constexpr int kMaxFiles = 8;
  explicit RecentFiles(std::string settingsFile) : settingsFile_(std::move(settingsFile)) {}

  QStringList files() const;
  // Puts the file first; a name the settings file cannot hold is not kept,
  // since it would come back as another name.
  void remember(const QString& file);
  void forget(const QString& file);

 private:
  void store(const QStringList& files);

  std::string settingsFile_;
};

}  // namespace rowsmith
