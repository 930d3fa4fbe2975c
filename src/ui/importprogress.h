#pragma once
// An import in the window: the run goes on a worker thread while the window
// keeps repainting; a modal dialog that appears once the run has taken about
// a second shows the phases and offers Cancel, and the closing message goes
// to the plain message box.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "import/importrun.h"
#include "kernel/stringtable.h"
#include "platform/platform.h"

class QProgressDialog;
class QWidget;

namespace rowsmith {

// The dialog; lives on the window's thread.
class ImportProgress : public platform::QtUserMessages {
 public:
  explicit ImportProgress(QWidget* parent);
  ~ImportProgress() override;

  void showMessage(std::string_view text) override;
  void showProgress(ImportPhase phase, int percent) override;
  bool cancelled() const override { return cancelled_.load(); }
  // As the dialog's Cancel button: the run stops at its next check.
  void cancel() { cancelled_ = true; }
  // Closes the dialog; the run has ended and later progress is ignored.
  void finish();
  QProgressDialog* dialog() const { return dialog_.get(); }

 private:
  std::unique_ptr<QProgressDialog> dialog_;
  std::optional<ImportPhase> phase_;
  int percent_ = -1;
  bool finished_ = false;
  std::atomic<bool> cancelled_{false};
};

// What a run in the background leaves: a fresh table for the window to take
// over, the outcome, and the text of an exception that ended it.
struct BackgroundImport {
  ImportOutcome outcome;
  StringTable table;
  std::string failure;
};

// Imports on a worker thread and returns when it has finished; meanwhile the
// caller's event loop runs on. The reader's own messages are shown by the
// window's thread while the worker waits for them.
// running hears of the run's progress dialog at the start and of nullptr
// at the end, so that the caller may cancel the run meanwhile.
BackgroundImport importInBackground(QWidget* parent, const std::string& fileName,
                                    const std::function<void(ImportProgress*)>& running = {});

}  // namespace rowsmith
