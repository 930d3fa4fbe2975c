#include "ui/messagedialog.h"

#include <algorithm>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "nls/nlssupport.h"
#include "platform/platform.h"

namespace rowsmith {

namespace {

constexpr int kBottomHeight = 38;
constexpr int kClientBorder = 6;
constexpr int kImageSize = 36;
constexpr int kMemoWidth = 481;
constexpr int kFontPixels = 13;
constexpr int kGrowStep = 8;

struct ButtonKind {
  TMsgDlgBtn kind;
  int16_t result;  // mrNone: the button does not close the dialog
  const char* key;
  const char* caption;
  QStyle::StandardPixmap glyph;
};

// Screen order, whatever order the caller had in mind.
constexpr ButtonKind kButtonKinds[] = {
    {TMsgDlgBtn::mbYes, mrYes, "MsgYes", "Ja", QStyle::SP_DialogYesButton},
    {TMsgDlgBtn::mbNo, mrNo, "MsgNo", "Nein", QStyle::SP_DialogNoButton},
    {TMsgDlgBtn::mbOK, mrOk, "MsgOk", "OK", QStyle::SP_DialogOkButton},
    {TMsgDlgBtn::mbCancel, mrCancel, "MsgCancel", "Abbruch", QStyle::SP_DialogCancelButton},
    {TMsgDlgBtn::mbHelp, mrNone, "MsgHelp", "Hilfe", QStyle::SP_DialogHelpButton},
    {TMsgDlgBtn::mbAbort, mrAbort, "MsgAbort", "Abbruch", QStyle::SP_DialogAbortButton},
    {TMsgDlgBtn::mbRetry, mrRetry, "MsgRetry", "Wiederholen", QStyle::SP_DialogRetryButton},
    {TMsgDlgBtn::mbIgnore, mrIgnore, "MsgIgnore", "Ignorieren", QStyle::SP_DialogIgnoreButton},
    {TMsgDlgBtn::mbAll, mrAll, "MsgAll", "Alle", QStyle::SP_DialogYesToAllButton},
};

int iconIndex(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtInformation: return 0;
    case TMsgDlgType::mtConfirmation: return 1;
    case TMsgDlgType::mtWarning: return 2;
    case TMsgDlgType::mtError: return 3;
    case TMsgDlgType::mtCustom: break;
  }
  return -1;
}

QString messageText(const std::string& text) {
  QString shown = platform::fromUtf8(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

// Lines the memo shows for the text, wrapped lines included.
int wrappedLineCount(const QPlainTextEdit* memo, const QString& text) {
  QTextDocument document;
  document.setDefaultFont(memo->font());
  document.setDocumentMargin(memo->document()->documentMargin());
  document.setPlainText(text);
  document.setTextWidth(memo->contentsRect().width());
  document.documentLayout()->documentSize();  // lays every block out
  int lines = 0;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    lines += std::max(1, block.layout()->lineCount());
  }
  return lines;
}

InfoMessageHandler& infoMessageHandler() {
  static InfoMessageHandler handler;
  return handler;
}

}  // namespace

MessageDialog::MessageDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("frmMyMessageDLGForm");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  QFont dialogFont = font();
  dialogFont.setPixelSize(kFontPixels);
  setFont(dialogFont);
  setFixedSize(kClientWidth, kClientHeight);

  pnlClient = new QFrame(this);
  pnlClient->setObjectName("pnlClient");
  pnlBottom = new QFrame(this);
  pnlBottom->setObjectName("pnlBottom");
  pnlBottom->setFrameShape(QFrame::NoFrame);

  Image = new QLabel(pnlClient);
  Image->setObjectName("Image");
  Image->setGeometry(8, 8, kImageSize, kImageSize);

  Memo = new QPlainTextEdit(pnlClient);
  Memo->setObjectName("Memo");
  Memo->setReadOnly(true);
  Memo->setFrameShape(QFrame::NoFrame);
  Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo->setFocusPolicy(Qt::NoFocus);
  Memo->viewport()->setAutoFillBackground(false);
  QPalette memoPalette = Memo->palette();
  memoPalette.setColor(QPalette::Base, palette().color(QPalette::Window));
  Memo->setPalette(memoPalette);

  QStyle* style = this->style();
  for (QStyle::StandardPixmap icon : {QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxQuestion,
                                      QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxCritical}) {
    imlIcons.push_back(style->standardIcon(icon, nullptr, this));
  }
}

void MessageDialog::PrepareMessage(const std::string& title, const std::string& text,
                                   TMsgDlgType type, const TMsgDlgButtons& buttons) {
  int index = iconIndex(type);
  Image->setPixmap(index < 0 ? QPixmap()
                             : imlIcons[static_cast<size_t>(index)].pixmap(kImageSize, kImageSize));
  Image->setScaledContents(true);

  setWindowTitle(platform::fromUtf8(title));

  int height = kClientHeight;
  auto place = [&] {
    setFixedSize(kClientWidth, height);
    int clientHeight = height - kBottomHeight;
    pnlClient->setGeometry(0, 0, kClientWidth, clientHeight);
    pnlBottom->setGeometry(0, clientHeight, kClientWidth, kBottomHeight);
    Memo->setGeometry(kClientWidth - kClientBorder - kMemoWidth, kClientBorder, kMemoWidth,
                      clientHeight - 2 * kClientBorder);
  };
  place();

  QString shown = messageText(text);
  Memo->setPlainText(shown);
  // Two pixels of leading over the font's height keep the lines apart; a
  // font with more leading gets the room it needs.
  int lineHeight = std::max(kFontPixels + 2, Memo->fontMetrics().lineSpacing());
  int lines = wrappedLineCount(Memo, shown);
  // The memo's geometry, not its viewport's: a hidden widget gets its resize
  // events only when shown.
  while (lines * lineHeight + 8 > Memo->contentsRect().height()) {
    height += kGrowStep;
    place();
  }

  for (QPushButton* button : buttons_) delete button;
  buttons_.clear();
  escapeButton_ = nullptr;
  int count = CountButtons(buttons);
  if (count == 0) return;
  int slot = pnlBottom->width() / count - 8;
  int x = 4;
  bool defaultSet = false;
  for (const ButtonKind& kind : kButtonKinds) {
    if (!buttons.count(kind.kind)) continue;
    auto* button = new QPushButton(pnlBottom);
    button->setObjectName(QString::fromLatin1(kind.key));
    button->setGeometry(x, 4, slot, 30);
    button->setIcon(style()->standardIcon(kind.glyph, nullptr, button));
    button->setText(platform::fromUtf8(NLS().GetNLSText("MessageButtons", kind.key, kind.caption)));
    if (!defaultSet && (kind.kind == TMsgDlgBtn::mbYes || kind.kind == TMsgDlgBtn::mbOK)) {
      button->setDefault(true);
      button->setFocus();
      defaultSet = true;
    }
    if (!escapeButton_ && (kind.kind == TMsgDlgBtn::mbNo || kind.kind == TMsgDlgBtn::mbCancel)) {
      escapeButton_ = button;
    }
    if (kind.result != mrNone) {
      int16_t result = kind.result;
      connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
    }
    button->show();
    buttons_.push_back(button);
    x += slot + 8;
  }
}

void MessageDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    if (escapeButton_) {
      escapeButton_->click();
    } else {
      done(mrCancel);
    }
    return;
  }
  QDialog::keyPressEvent(event);
}

// The close box.
void MessageDialog::reject() { done(mrCancel); }

int CountButtons(const TMsgDlgButtons& buttons) {
  int count = 0;
  for (const ButtonKind& kind : kButtonKinds) count += buttons.count(kind.kind) ? 1 : 0;
  return count;
}

int16_t ExecuteMessage(MessageDialog& dialog, const std::string& title,
                       const std::string& text, TMsgDlgType type, const TMsgDlgButtons& buttons) {
  dialog.PrepareMessage(title, text, type, buttons);
  platform::centreOnScreen(dialog);
  return static_cast<int16_t>(dialog.exec());
}

int16_t ShowInfoMessage(const std::string& text, QWidget* parent) {
  std::string title = NLS().GetNLSText("MessageType", "mtInformation", "Information");
  if (infoMessageHandler()) {
    infoMessageHandler()(title, text);
    return mrOk;
  }
  MessageDialog dialog(parent);
  return ExecuteMessage(dialog, title, text, TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK});
}

static QuestionHandler& questionHandler() {
  static QuestionHandler handler;
  return handler;
}

int16_t ShowQuestion(const std::string& text, QWidget* parent) {
  if (questionHandler()) return questionHandler()(text);
  std::string title = NLS().GetNLSText("MessageType", "mtConfirmation", "Bestätigung");
  MessageDialog dialog(parent);
  const int16_t answer =
      ExecuteMessage(dialog, title, text, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo});
  return answer == mrYes ? mrYes : mrNo;
}

QuestionHandler setQuestionHandler(QuestionHandler handler) {
  QuestionHandler previous = std::move(questionHandler());
  questionHandler() = std::move(handler);
  return previous;
}

InfoMessageHandler setInfoMessageHandler(InfoMessageHandler handler) {
  InfoMessageHandler previous = std::move(infoMessageHandler());
  infoMessageHandler() = std::move(handler);
  return previous;
}

}  // namespace rowsmith
