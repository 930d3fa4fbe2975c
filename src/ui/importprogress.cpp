#include "ui/importprogress.h"

#include <algorithm>
#include <exception>

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>

#include "nls/nlssupport.h"

namespace rowsmith {

namespace {

constexpr int kShowAfterMilliseconds = 1000;

std::string phaseText(ImportPhase phase) {
  static const char* const kKeys[] = {"Reading", "Loading", "Persons", "Export"};
  return NLS().GetNLSText("ImportProgress", kKeys[static_cast<int>(phase)], phaseName(phase));
}

// The worker's receiver: everything it hears is handed to the dialog on the
// window's thread. Progress is queued; a message waits until it was shown.
class WorkerMessages : public UserMessages {
 public:
  explicit WorkerMessages(ImportProgress& progress) : progress_(progress) {}
  void showMessage(std::string_view text) override {
    std::string copy(text);
    // Waiting for its own thread would never end.
    if (QThread::currentThread() == progress_.dialog()->thread()) return progress_.showMessage(copy);
    QMetaObject::invokeMethod(progress_.dialog(), [this, copy] { progress_.showMessage(copy); },
                              Qt::BlockingQueuedConnection);
  }
  void showProgress(ImportPhase phase, int percent) override {
    QMetaObject::invokeMethod(progress_.dialog(), [this, phase, percent] { progress_.showProgress(phase, percent); },
                              Qt::QueuedConnection);
  }
  bool cancelled() const override { return progress_.cancelled(); }

 private:
  ImportProgress& progress_;
};

}  // namespace

ImportProgress::ImportProgress(QWidget* parent)
    : dialog_(std::make_unique<QProgressDialog>(parent)) {
  dialog_->setObjectName("dlgImportProgress");
  dialog_->setWindowTitle("Rowsmith");
  dialog_->setCancelButtonText(platform::fromUtf8(NLS().GetNLSText("ImportProgress", "Cancel", "&Abbrechen")));
  dialog_->setWindowModality(Qt::ApplicationModal);
  dialog_->setMinimumDuration(kShowAfterMilliseconds);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setRange(0, 100);
  dialog_->setMinimumWidth(360);
  dialog_->reset();
  QObject::connect(dialog_.get(), &QProgressDialog::canceled, dialog_.get(), [this] { cancelled_ = true; });
}

ImportProgress::~ImportProgress() = default;

void ImportProgress::showMessage(std::string_view text) {
  finish();
  QtUserMessages::showMessage(text);
}

void ImportProgress::showProgress(ImportPhase phase, int percent) {
  if (finished_ || cancelled_) return;
  // Without a known end the bar only shows that work goes on.
  const bool unknown = percent == kProgressUnknown;
  percent = unknown ? kProgressUnknown : std::clamp(percent, 0, 100);
  if (dialog_->maximum() != (unknown ? 0 : 100)) dialog_->setRange(0, unknown ? 0 : 100);
  // The core may report often; the dialog only hears about changes.
  if (phase == phase_ && percent == percent_) return;
  if (phase != phase_) {
    phase_ = phase;
    dialog_->setLabelText(platform::fromUtf8(phaseText(phase)));
    percent_ = -1;
  }
  // The dialog starts its clock at its minimum value; values before that
  // would never show it.
  if (percent_ < 0 && dialog_->value() < 0) dialog_->setValue(0);
  percent_ = percent;
  if (percent > 0) dialog_->setValue(percent);
}

void ImportProgress::finish() {
  finished_ = true;
  dialog_->reset();
  dialog_->hide();
}

BackgroundImport importInBackground(QWidget* parent, const std::string& fileName,
                                    const std::function<void(ImportProgress*)>& running) {
  BackgroundImport result;
  ImportProgress progress(parent);
  if (running) running(&progress);
  WorkerMessages messages(progress);
  QEventLoop loop;
  std::unique_ptr<QThread> worker(QThread::create([&] {
    try {
      result.outcome = importGedcom(fileName, result.table, messages);
    } catch (const std::exception& error) {
      result.failure = error.what();
    } catch (...) {
      result.failure = "?";
    }
  }));
  QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
  worker->start();
  loop.exec();
  worker->wait();
  if (running) running(nullptr);
  progress.finish();
  return result;
}

}  // namespace rowsmith
