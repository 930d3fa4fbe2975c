#pragma once
// The thin layer between the dialogs and Qt: the core's UTF-8 text on screen
// and on the clipboard, the plain message box, cursors, the Shift key, the save dialog and
// the shell. Tests replace the interactive parts through the handlers below,
// since a modal box would block under the offscreen platform.
#include <functional>
#include <string>
#include <string_view>

#include <QString>

#include "kernel/usermessages.h"

class QWidget;

namespace rowsmith::platform {

QString fromUtf8(std::string_view text);
// In NFC, as all text of the core.
std::string toUtf8(const QString& text);

// The plain message box: the text and one OK button, titled with the
// application's name.
void showPlainMessage(const std::string& text);
// Puts a handler in place for its lifetime and the previous one back after
// it, so a test never leaves its replacement behind.
template <class Handler, Handler (*Set)(Handler)>
class ScopedHandler {
 public:
  explicit ScopedHandler(Handler handler) : previous_(Set(std::move(handler))) {}
  ~ScopedHandler() { Set(std::move(previous_)); }
  ScopedHandler(const ScopedHandler&) = delete;
  ScopedHandler& operator=(const ScopedHandler&) = delete;

 private:
  Handler previous_;
};

using PlainMessageHandler = std::function<void(const std::string& text)>;
// Replaces the box (empty restores it); returns the previous handler.
PlainMessageHandler setPlainMessageHandler(PlainMessageHandler handler);

// Puts the text on the clipboard as plain text, up to its first byte 0.
void putClipboardText(const std::string& text);

void setBusyCursor();
void restoreCursor();
// Shows the busy cursor for its lifetime, on every path out of a handler.
class BusyCursor {
 public:
  BusyCursor() { setBusyCursor(); }
  ~BusyCursor() { restoreCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// Loads the toolkit's own texts (file dialogs, context menus) for a
// language ID; German for 49, the toolkit's English otherwise.
void loadToolkitTranslations(int languageId);

// Moves a window to the middle of the screen it is on.
void centreOnScreen(QWidget& window);

// The state of the Shift key right now, not at the last event.
bool isShiftDown();

// The save dialog starts at startAt (a folder or a file) and offers the
// filters ("Name (*.x);;Other (*)").
QString getSaveFileName(QWidget* parent, const QString& caption, const QString& startAt = {},
                        const QString& filters = {});
using SaveDialogHandler = std::function<QString(const QString& startAt, const QString& filters)>;
SaveDialogHandler setSaveFileDialogHandler(SaveDialogHandler handler);

// Opens an address with the user's default handler; the outcome is not checked.
void openUrl(const QString& address);
using OpenUrlHandler = std::function<void(const QString& address)>;
OpenUrlHandler setOpenUrlHandler(OpenUrlHandler handler);

// What the core has to say, shown in the plain message box.
class QtUserMessages : public UserMessages {
 public:
  void showMessage(std::string_view text) override;
};

}  // namespace rowsmith::platform
