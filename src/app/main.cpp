// rowsmith: the desktop program. An optional argument names a GEDCOM file to
// import at once, as a file manager passes it.
#include <QApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>

#include "app/startoptions.h"
#include "kernel/usermessages.h"
#include "nls/nlssupport.h"
#include "os/osfile.h"
#include "platform/platform.h"
#include "ui/mainwindow.h"
#include "ui/exportdialog.h"

int main(int argc, char** argv) {
  // --help and --version answer without a window, even without a display.
  const rowsmith::StartOptions options = rowsmith::parseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (options.action == rowsmith::StartOptions::Action::PrintHelp ||
      options.action == rowsmith::StartOptions::Action::Fail)
    rowsmith::chooseHelpLanguage();
  switch (options.action) {
    case rowsmith::StartOptions::Action::PrintHelp:
      std::fputs(rowsmith::startHelpText().c_str(), stdout);
      return 0;
    case rowsmith::StartOptions::Action::PrintVersion:
      std::fputs(rowsmith::startVersionText().c_str(), stdout);
      return 0;
    case rowsmith::StartOptions::Action::Fail:
      std::fprintf(stderr, "rowsmith: %s\n%s", options.error.c_str(), rowsmith::startHelpText().c_str());
      return 2;
    case rowsmith::StartOptions::Action::Run:
      break;
  }
  // A file-size limit then fails a settings or export write, which keeps the
  // old file and reports it, instead of ending the program half-way through.
  rowsmith::os::ignoreFileSizeLimitSignal();
  // The language object exists before any window asks it for a text.
  rowsmith::NLS();
  QApplication application(argc, argv);
  QApplication::setApplicationName("Rowsmith");

  rowsmith::MainWindow window;
  rowsmith::ExportDialog exportDialog(&window);
  window.setExportDialog(&exportDialog);
  window.show();
  if (!options.file.empty()) {
    const QString file = QFile::decodeName(options.file.c_str());
    QTimer::singleShot(0, &window, [&window, file] { window.importFile(file); });
  }
  const int result = QApplication::exec();
  return result;
}
