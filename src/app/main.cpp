// rowsmith: the desktop program. An optional argument names a GEDCOM file to
// import at once, as a file manager passes it.
#include <QApplication>
#include <QTimer>

#include <csignal>

#include "ui/savetoform.h"
#include "kernel/usermessages.h"
#include "nls/nlssupport.h"
#include "ui/gedcomim.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  // A file-size limit then fails a settings or export write, which keeps the
  // old file and reports it, instead of ending the program half-way through.
  std::signal(SIGXFSZ, SIG_IGN);
  // The language object exists before any window asks it for a text.
  rowsmith::NLS();
  QApplication application(argc, argv);
  QApplication::setApplicationName("Rowsmith");

  rowsmith::platform::QtUserMessages messages;
  rowsmith::setUserMessages(&messages);

  rowsmith::TfrmGedComIm frmGedComIm;
  rowsmith::TfrmSaveToForm frmSaveToForm(&frmGedComIm);
  frmGedComIm.setSaveToForm(&frmSaveToForm);
  frmGedComIm.show();
  if (const QStringList args = QApplication::arguments(); args.size() > 1) {
    const QString file = args.at(1);
    QTimer::singleShot(0, &frmGedComIm, [&frmGedComIm, file] {
      frmGedComIm.setFileChooser([file](QFileDialog&) { return file; });
      frmGedComIm.btnGoClick();
      frmGedComIm.setFileChooser(nullptr);
    });
  }
  const int result = QApplication::exec();

  rowsmith::setUserMessages(nullptr);
  return result;
}
