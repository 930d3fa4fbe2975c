#include "ui/rowdetails.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "import/importrun.h"
#include "nls/nlssupport.h"
#include "platform/platform.h"
#include "ui/resultgrid.h"

namespace rowsmith {

namespace {

// First column of each part and the one after it.
constexpr int kPartColumns[4] = {0, 18, 21, kResultColumns};

QString nlsText(const char* key, const char* german) {
  return platform::fromUtf8(NLS().GetNLSText("frmRowDetails", key, german));
}

QString headerLabel(std::string_view header) {
  QString label = platform::fromUtf8(header).trimmed();
  if (label.endsWith(':')) label.chop(1);
  return label.trimmed();
}

}  // namespace

TfrmRowDetails::TfrmRowDetails(const StringTable& table, const DateCells& dates, int row, QWidget* parent)
    : QDialog(parent) {
  setObjectName("frmRowDetails");
  setWindowTitle(nlsText("Caption", "Zeile %1").arg(row));
  const QString titles[3] = {nlsText("gbxPerson", "Person"), nlsText("gbxMarriage", "Heirat"),
                             nlsText("gbxPartner", "Partner")};

  auto* content = new QWidget;
  auto* parts = new QHBoxLayout(content);
  std::string scratch;
  for (int part = 0; part < 3; ++part) {
    auto* box = new QGroupBox(titles[part], content);
    auto* form = new QFormLayout(box);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (int c = kPartColumns[part]; c < kPartColumns[part + 1] && c < table.columnCount(); ++c) {
      const std::string_view cell = dates.shown(table, c, row, scratch);
      if (cell.empty()) continue;
      QString value = boundedCellText(cell, kMaxDetailChars);
      value.replace("\r\n", "\n").replace('\r', '\n');
      auto* shown = new QLabel(value, box);
      shown->setTextFormat(Qt::PlainText);
      shown->setWordWrap(true);
      shown->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      form->addRow(headerLabel(table.cell(c, 0)), shown);
      parts_[part] += headerLabel(table.cell(c, 0)) + " " + value + "\n";
    }
    parts->addWidget(box, 1, Qt::AlignTop);
  }
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setWidget(content);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(platform::fromUtf8(
      NLS().GetNLSText("frmRowDetails", "btnClose", "&Schließen")));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll, 1);
  layout->addWidget(buttons);
  resize(900, 480);
}

QString TfrmRowDetails::partText(int part) const { return parts_[part]; }

}  // namespace rowsmith
