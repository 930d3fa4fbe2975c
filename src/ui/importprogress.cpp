#include "ui/importprogress.h"

#include <algorithm>

#include <QProgressDialog>

namespace rowsmith {

namespace {
constexpr int kShowAfterMilliseconds = 1000;
}

ImportProgress::ImportProgress(QWidget* parent)
    : dialog_(std::make_unique<QProgressDialog>(parent)) {
  dialog_->setObjectName("dlgImportProgress");
  dialog_->setWindowTitle("Rowsmith");
  // The import cannot be interrupted halfway; the dialog only informs.
  dialog_->setCancelButton(nullptr);
  dialog_->setWindowModality(Qt::ApplicationModal);
  dialog_->setMinimumDuration(kShowAfterMilliseconds);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setRange(0, 100);
  dialog_->setMinimumWidth(360);
  dialog_->reset();
}

ImportProgress::~ImportProgress() = default;

void ImportProgress::showMessage(std::string_view text) {
  finish();
  QtUserMessages::showMessage(text);
}

void ImportProgress::showProgress(ImportPhase phase, int percent) {
  percent = std::clamp(percent, 0, 100);
  // The core may report often; the dialog only hears about changes.
  if (phase == phase_ && percent == percent_) return;
  if (phase != phase_) {
    phase_ = phase;
    dialog_->setLabelText(platform::fromUtf8(phaseName(phase)));
    percent_ = -1;
  }
  // The dialog starts its clock at its minimum value; values before that
  // would never show it.
  if (percent_ < 0 && dialog_->value() < 0) dialog_->setValue(0);
  percent_ = percent;
  if (percent > 0) dialog_->setValue(percent);
}

void ImportProgress::finish() {
  dialog_->reset();
  dialog_->hide();
}

}  // namespace rowsmith
