// rowsmith: the desktop program. It takes no command-line arguments.
#include <QApplication>

#include "kernel/usermessages.h"
#include "nls/nlssupport.h"
#include "ui/gedcomim.h"
#include "ui/platform.h"

int main(int argc, char** argv) {
  // The language object exists before any window asks it for a text.
  rowsmith::NLS();
  QApplication application(argc, argv);
  QApplication::setApplicationName("Rowsmith");

  rowsmith::platform::QtUserMessages messages;
  rowsmith::setUserMessages(&messages);

  rowsmith::TfrmGedComIm frmGedComIm;
  frmGedComIm.show();
  const int result = QApplication::exec();

  rowsmith::setUserMessages(nullptr);
  return result;
}
