#pragma once
// The program's own message box: an icon per message type, a text area that
// grows to fit, and buttons in a fixed order with captions from the
// language file (section "MessageButtons").
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <QDialog>
#include <QIcon>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace rowsmith {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
// The declaration order is not the order on screen; ExecuteMessage fixes that.
enum class TMsgDlgBtn {
  mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp
};
using TMsgDlgButtons = std::set<TMsgDlgBtn>;

// Dialog results.
inline constexpr int16_t mrNone = 0;
inline constexpr int16_t mrOk = 1;
inline constexpr int16_t mrCancel = 2;
inline constexpr int16_t mrAbort = 3;
inline constexpr int16_t mrRetry = 4;
inline constexpr int16_t mrIgnore = 5;
inline constexpr int16_t mrYes = 6;
inline constexpr int16_t mrNo = 7;
inline constexpr int16_t mrAll = 8;

class MessageDialog : public QDialog {
  Q_OBJECT
 public:
  explicit MessageDialog(QWidget* parent = nullptr);

  // Lays the dialog out for one message without showing it.
  void PrepareMessage(const std::string& title, const std::string& text, TMsgDlgType type,
                      const TMsgDlgButtons& buttons);
  // The buttons of the last PrepareMessage, left to right.
  const std::vector<QPushButton*>& buttons() const { return buttons_; }
  QPlainTextEdit* memo() const { return Memo; }

  static constexpr int kClientWidth = 540;
  static constexpr int kClientHeight = 117;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;

 private:
  QFrame* pnlBottom;
  QFrame* pnlClient;
  QLabel* Image;
  QPlainTextEdit* Memo;
  std::vector<QIcon> imlIcons;
  std::vector<QPushButton*> buttons_;
  QPushButton* escapeButton_ = nullptr;
};

// Number of the nine laid-out kinds in the set (NoToAll and YesToAll are
// not counted).
int CountButtons(const TMsgDlgButtons& buttons);

// Shows the message modally; returns the pressed button's result, mrCancel
// for the close box.
int16_t ExecuteMessage(MessageDialog& dialog, const std::string& title,
                       const std::string& text, TMsgDlgType type, const TMsgDlgButtons& buttons);

// An information message with an OK button, in a dialog of its own.
int16_t ShowInfoMessage(const std::string& text, QWidget* parent = nullptr);
// Tests receive the information messages instead of a modal dialog (empty
// restores the dialog); returns the previous handler.
using InfoMessageHandler = std::function<void(const std::string& title, const std::string& text)>;
InfoMessageHandler setInfoMessageHandler(InfoMessageHandler handler);

// A question with Yes and No buttons; mrYes or mrNo (the close box: mrNo).
int16_t ShowQuestion(const std::string& text, QWidget* parent = nullptr);
// Tests answer the questions instead of a modal dialog.
using QuestionHandler = std::function<int16_t(const std::string& text)>;
QuestionHandler setQuestionHandler(QuestionHandler handler);

}  // namespace rowsmith
