#pragma once
// What an import tells the user while the window waits for it: the progress
// in a modal dialog that appears once the run has taken about a second, and
// the closing message in the plain message box.
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"

class QProgressDialog;
class QWidget;

namespace rowsmith {

class ImportProgress : public platform::QtUserMessages {
 public:
  explicit ImportProgress(QWidget* parent);
  ~ImportProgress() override;

  void showMessage(std::string_view text) override;
  void showProgress(ImportPhase phase, int percent) override;
  // Closes the dialog; the run has ended.
  void finish();

 private:
  std::unique_ptr<QProgressDialog> dialog_;
  std::optional<ImportPhase> phase_;
  int percent_ = -1;
};

}  // namespace rowsmith
