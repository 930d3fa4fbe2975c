#include "platform/platform.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <QUrl>

#include "kernel/textcodec.h"

namespace rowsmith::platform {

namespace {

PlainMessageHandler& plainMessageHandler() {
  static PlainMessageHandler handler;
  return handler;
}
SaveDialogHandler& saveFileDialogHandler() {
  static SaveDialogHandler handler;
  return handler;
}
OpenUrlHandler& openUrlHandler() {
  static OpenUrlHandler handler;
  return handler;
}

template <class Handler>
Handler exchange(Handler& slot, Handler replacement) {
  Handler previous = std::move(slot);
  slot = std::move(replacement);
  return previous;
}

}  // namespace

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toUtf8(const QString& text) { return toNfc(text.toStdString()); }

void showPlainMessage(const std::string& text) {
  if (plainMessageHandler()) {
    plainMessageHandler()(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), fromUtf8(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

PlainMessageHandler setPlainMessageHandler(PlainMessageHandler handler) {
  return exchange(plainMessageHandler(), std::move(handler));
}

void putClipboardText(const std::string& text) {
  // The platform clipboard takes a C string: the text ends at a byte 0 that
  // a typed separator or line break may contain.
  std::string_view shown(text);
  if (size_t zero = shown.find('\0'); zero != std::string_view::npos) shown = shown.substr(0, zero);
  QGuiApplication::clipboard()->setText(fromUtf8(shown));
}

void loadToolkitTranslations(int languageId) {
  static QTranslator* installed = nullptr;
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
  }
  if (languageId != 49) return;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return;
  QCoreApplication::installTranslator(translator.get());
  installed = translator.release();
}

void setBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

void restoreCursor() { QGuiApplication::restoreOverrideCursor(); }

void centreOnScreen(QWidget& window) {
  if (QScreen* screen = window.screen()) {
    const QRect area = screen->availableGeometry();
    window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
  }
}

bool isShiftDown() {
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

QString getSaveFileName(QWidget* parent, const QString& caption, const QString& startAt,
                        const QString& filters) {
  if (saveFileDialogHandler()) return saveFileDialogHandler()(startAt, filters);
  // Choosing a name asks nothing; the export overwrites an existing file.
  return QFileDialog::getSaveFileName(parent, caption, startAt, filters, nullptr,
                                      QFileDialog::DontConfirmOverwrite);
}

SaveDialogHandler setSaveFileDialogHandler(SaveDialogHandler handler) {
  return exchange(saveFileDialogHandler(), std::move(handler));
}

void openUrl(const QString& address) {
  if (openUrlHandler()) {
    openUrlHandler()(address);
    return;
  }
  QDesktopServices::openUrl(QUrl(address));
}

OpenUrlHandler setOpenUrlHandler(OpenUrlHandler handler) {
  return exchange(openUrlHandler(), std::move(handler));
}

void QtUserMessages::showMessage(std::string_view text) { showPlainMessage(std::string(text)); }

}  // namespace rowsmith::platform
