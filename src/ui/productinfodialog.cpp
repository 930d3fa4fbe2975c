#include "ui/productinfodialog.h"

#include <iterator>

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>

#include "nls/nlssupport.h"
#include "ui/translateform.h"
#include "platform/platform.h"

namespace rowsmith {

namespace {

using platform::fromUtf8;

constexpr char kSection[] = "frmToolsWerbungForm";

constexpr const char* kProductLines[] = {
    "",
    "Dies ist ein Tool aus dem Programmpaket von Brambleroot!",
    "",
    "Brambleroot - professional -",
    "",
    "bietet Ihnen eine einfache, solide Stammbaumverwaltung mit ",
    "vielen Extras!",
    "",
    "Erstellen auch Sie Ihren eigenen Stammbaum und geben Sie ",
    "diesen mitsamt dem kostenlosen Programm Leafglass an ihre ",
    "Freunde und Verwandten weiter!",
    "",
    "Ordern Sie heute noch die kostenlose Testversion von ",
    "Brambleroot!!!",
};

std::string productText() {
  std::string text;
  for (size_t i = 0; i < std::size(kProductLines); ++i) {
    if (i > 0) text += "\r\n";
    text += kProductLines[i];
  }
  return text;
}

QLabel* makeLabel(QWidget* parent, const char* name, const std::string& text, bool bold) {
  auto* label = new QLabel(fromUtf8(text), parent);
  label->setObjectName(name);
  if (bold) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
  }
  return label;
}

QFrame* makePanel(QWidget* parent, const QRect& geometry) {
  auto* panel = new QFrame(parent);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFrameShadow(QFrame::Raised);
  panel->setGeometry(geometry);
  return panel;
}

// Centred lines, as the text is laid out for.
void setMemoText(QTextEdit* memo, const std::string& text) {
  QString shown = fromUtf8(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  memo->setPlainText(shown);
  QTextCursor cursor(memo->document());
  cursor.select(QTextCursor::Document);
  QTextBlockFormat centred;
  centred.setAlignment(Qt::AlignHCenter);
  cursor.mergeBlockFormat(centred);
}

// The maker's logo: a stack of table rows on a rounded square.
QPixmap makeLogo() {
  QPixmap logo(32, 32);
  logo.fill(Qt::transparent);
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath square;
  square.addRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
  painter.fillPath(square, QColor(32, 86, 140));
  const QColor rows[] = {QColor(255, 255, 255), QColor(190, 214, 236), QColor(255, 255, 255)};
  for (int i = 0; i < 3; ++i) {
    painter.fillRect(QRectF(7, 8 + i * 6, 18, 4), rows[i]);
    painter.fillRect(QRectF(14, 8 + i * 6, 1, 4), QColor(32, 86, 140));
  }
  return logo;
}

}  // namespace

ProductInfoDialog::ProductInfoDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(kSection);
  setWindowTitle("Beachten Sie auch Brambleroot, den grossen Bruder!");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  QFont dialogFont = font();
  dialogFont.setPixelSize(13);
  setFont(dialogFont);
  setFixedSize(472, 393);

  QFrame* top = makePanel(this, QRect(4, 4, 464, 62));
  Image = new QLabel(top);
  Image->setObjectName("Image");
  Image->setGeometry(8, 8, 32, 32);
  Image->setPixmap(makeLogo());
  lblSoftwareI = makeLabel(top, "lblSoftwareI", "Softwareentwicklung", true);
  lblSoftwareI->setGeometry(48, 6, 400, 16);
  lblSoftwareII = makeLabel(top, "lblSoftwareII", "Rowsmith Project", true);
  lblSoftwareII->setGeometry(48, 24, 400, 16);
  lblSoftwareIII = makeLabel(
      top, "lblSoftwareIII", "Veröffentlicht vom Rowsmith Project",
      false);
  lblSoftwareIII->setGeometry(8, 43, 448, 16);

  Memo = new QTextEdit(this);
  Memo->setObjectName("Memo");
  Memo->setReadOnly(true);
  Memo->setGeometry(4, 70, 464, 253);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  QFont memoFont = Memo->font();
  memoFont.setBold(true);
  memoFont.setPixelSize(12);  // the product text's longest line fits unwrapped
  Memo->setFont(memoFont);
  QPalette memoPalette = Memo->palette();
  memoPalette.setColor(QPalette::Base, QColor(171, 171, 171));
  memoPalette.setColor(QPalette::Text, Qt::black);
  Memo->setPalette(memoPalette);
  setMemoText(Memo, productText());

  QFrame* bottom = makePanel(this, QRect(4, 327, 464, 62));
  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", bottom);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setGeometry(8, 16, 100, 30);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, [this] { done(1); });
  lblVisit = makeLabel(bottom, "lblVisit", "Bitte besuchen Sie :", false);
  lblVisit->setGeometry(124, 12, 330, 16);
  lblWebAddress = makeLabel(bottom, "lblWebAddress", "https://rowsmith.example.org", true);
  lblWebAddress->setGeometry(124, 32, 330, 18);
  QFont linkFont = lblWebAddress->font();
  linkFont.setUnderline(true);
  lblWebAddress->setFont(linkFont);
  QPalette linkPalette = lblWebAddress->palette();
  linkPalette.setColor(QPalette::WindowText, Qt::blue);
  lblWebAddress->setPalette(linkPalette);
  lblWebAddress->setCursor(Qt::PointingHandCursor);
  lblWebAddress->installEventFilter(this);
}

std::string ProductInfoDialog::memoText() const {
  QString text = Memo->toPlainText();
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return platform::toUtf8(text);
}

void ProductInfoDialog::lblWebAddressClick() {
  platform::openUrl(lblWebAddress->text() + QLatin1String("?Tool"));
}

bool ProductInfoDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblWebAddress && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    lblWebAddressClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

int ShowProductInfo(ProductInfoDialog& dialog) {
  TranslateForm(NLS(), &dialog);
  std::string text = NLS().GetNLSText(kSection, "Werbetext", dialog.memoText());
  setMemoText(dialog.Memo, text);
  platform::centreOnScreen(dialog);
  return dialog.exec();
}

}  // namespace rowsmith
