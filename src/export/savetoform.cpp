#include "export/savetoform.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include "export/exporttext.h"
#include "kernel/atomicfile.h"
#include "kernel/folders.h"
#include "kernel/strreplace.h"
#include "nls/inifile.h"
#include "nls/mymessagedlgform.h"
#include "nls/nlssupport.h"
#include "nls/translateform.h"
#include "ui/platform.h"

namespace rowsmith {

namespace {

using platform::fromUtf8;
using platform::toUtf8;

constexpr char kSettingsSection[] = "SaveToForm";
constexpr int kPreviewRows = 7;
constexpr int kPreviewRowHeight = 18;
constexpr int kPreviewDefaultWidth = 32;
// Header row plus up to four data rows; the rest of the preview shows "...".
constexpr int kPreviewTableRows = 5;
constexpr int kMaxPreviewColumns = 10000;

template <class W>
W* named(QWidget* parent, const char* name) {
  auto* widget = new W(parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLabel* captionBar(QWidget* parent, const char* name, const std::string& text) {
  QLabel* bar = named<QLabel>(parent, name);
  bar->setText(fromUtf8(text));
  bar->setAutoFillBackground(true);
  QPalette palette = bar->palette();
  palette.setColor(QPalette::Window, QColor(62, 88, 128));
  palette.setColor(QPalette::WindowText, Qt::white);
  bar->setPalette(palette);
  QFont font = bar->font();
  font.setBold(true);
  bar->setFont(font);
  bar->setContentsMargins(6, 3, 6, 3);
  return bar;
}

QRadioButton* option(QWidget* parent, const char* name, const std::string& text) {
  QRadioButton* button = named<QRadioButton>(parent, name);
  button->setText(fromUtf8(text));
  return button;
}

QLineEdit* notationEdit(QWidget* parent, const char* name, const char* text) {
  QLineEdit* edit = named<QLineEdit>(parent, name);
  edit->setText(QString::fromLatin1(text));
  edit->setFixedWidth(72);
  return edit;
}

// A radio button with an edit field to its right, the way the free choices
// of each group are laid out.
QHBoxLayout* withEdit(QRadioButton* button, QLineEdit* edit) {
  auto* row = new QHBoxLayout;
  row->setSpacing(6);
  row->addWidget(button);
  row->addStretch(1);
  row->addWidget(edit);
  return row;
}

std::string replaceCount(const std::string& text, int count) {
  return StrReplace("%s", std::to_string(count), text, true);
}

}  // namespace

TfrmSaveToForm::TfrmSaveToForm(QWidget* parent) : QDialog(parent) {
  setObjectName("frmSaveToForm");
  setWindowTitle("Ergebnis speichern...");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  buildControls();
}

void TfrmSaveToForm::buildControls() {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(6, 6, 6, 6);
  root->setSpacing(6);

  // Preview.
  auto* top = new QVBoxLayout;
  top->setSpacing(0);
  pnlClientTop = captionBar(this, "pnlClientTop", "Vorschau");
  sgrClientTop = named<QTableWidget>(this, "sgrClientTop");
  sgrClientTop->setRowCount(kPreviewRows);
  sgrClientTop->horizontalHeader()->hide();
  sgrClientTop->verticalHeader()->hide();
  sgrClientTop->horizontalHeader()->setMinimumSectionSize(0);
  sgrClientTop->horizontalHeader()->setDefaultSectionSize(kPreviewDefaultWidth);
  sgrClientTop->verticalHeader()->setMinimumSectionSize(0);
  sgrClientTop->verticalHeader()->setDefaultSectionSize(kPreviewRowHeight);
  sgrClientTop->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sgrClientTop->setSelectionMode(QAbstractItemView::NoSelection);
  sgrClientTop->setFocusPolicy(Qt::NoFocus);
  sgrClientTop->setWordWrap(false);
  sgrClientTop->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sgrClientTop->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  int frame = sgrClientTop->frameWidth();
  sgrClientTop->setFixedHeight(kPreviewRows * kPreviewRowHeight + 2 * frame +
                               sgrClientTop->horizontalScrollBar()->sizeHint().height());
  top->addWidget(pnlClientTop);
  top->addWidget(sgrClientTop);
  root->addLayout(top);

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(6);

  // Column list.
  auto* left = new QVBoxLayout;
  left->setSpacing(0);
  pnlClientBottomLeftTop = captionBar(this, "pnlClientBottomLeftTop", "Zu sichernde Spalten");
  clbClientBottomLeftClient = named<QListWidget>(this, "clbClientBottomLeftClient");
  clbClientBottomLeftClient->setFixedWidth(220);
  left->addWidget(pnlClientBottomLeftTop);
  left->addWidget(clbClientBottomLeftClient, 1);
  bottom->addLayout(left);
  connect(clbClientBottomLeftClient, &QListWidget::itemChanged, this,
          [this](QListWidgetItem*) { clbClientBottomLeftClientClickCheck(); });

  // Options.
  auto* right = new QVBoxLayout;
  right->setSpacing(6);
  pnlClientBottomClientTop = captionBar(this, "pnlClientBottomClientTop", "Speicheroptionen");
  right->addWidget(pnlClientBottomClientTop);
  auto* groups = new QGridLayout;
  groups->setHorizontalSpacing(6);
  groups->setVerticalSpacing(6);

  gbxClientBottomClientClientSeperator = named<QGroupBox>(this, "gbxClientBottomClientClientSeperator");
  gbxClientBottomClientClientSeperator->setTitle("Trennzeichen");
  {
    QGroupBox* box = gbxClientBottomClientClientSeperator;
    btnClientBottomClientClientSeperatorASCII =
        option(box, "btnClientBottomClientClientSeperatorASCII", "ASCII - (,)");
    btnClientBottomClientClientSeperatorCSV =
        option(box, "btnClientBottomClientClientSeperatorCSV", "CSV (EXCEL) - (;)");
    btnClientBottomClientClientSeperatorTAB =
        option(box, "btnClientBottomClientClientSeperatorTAB", "Tabulator - (#9)");
    btnClientBottomClientClientSeperatorFree =
        option(box, "btnClientBottomClientClientSeperatorFree", "Anderes Zeichen");
    edtClientBottomClientClientSeperatorFree =
        notationEdit(box, "edtClientBottomClientClientSeperatorFree", "#8");
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(btnClientBottomClientClientSeperatorASCII);
    layout->addWidget(btnClientBottomClientClientSeperatorCSV);
    layout->addWidget(btnClientBottomClientClientSeperatorTAB);
    layout->addLayout(withEdit(btnClientBottomClientClientSeperatorFree,
                               edtClientBottomClientClientSeperatorFree));
    layout->addStretch(1);
  }

  gbxClientBottomClientClientAddChar = named<QGroupBox>(this, "gbxClientBottomClientClientAddChar");
  gbxClientBottomClientClientAddChar->setTitle(fromUtf8("Zellen zusätzlich einklammern..."));
  {
    QGroupBox* box = gbxClientBottomClientClientAddChar;
    btnClientBottomClientClientAddCharNone =
        option(box, "btnClientBottomClientClientAddCharNone", "Nicht zusätzlich einklammern");
    btnClientBottomClientClientAddCharSingle =
        option(box, "btnClientBottomClientClientAddCharSingle", "Anführungszeichen - (')");
    btnClientBottomClientClientAddCharDouble =
        option(box, "btnClientBottomClientClientAddCharDouble", "Anführungszeichen - (\")");
    btnClientBottomClientClientAddCharOther =
        option(box, "btnClientBottomClientClientAddCharOther", "Anderes Zeichen");
    edtClientBottomClientClientAddCharOther =
        notationEdit(box, "edtClientBottomClientClientAddCharOther", "!");
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(btnClientBottomClientClientAddCharNone);
    layout->addWidget(btnClientBottomClientClientAddCharSingle);
    layout->addWidget(btnClientBottomClientClientAddCharDouble);
    layout->addLayout(withEdit(btnClientBottomClientClientAddCharOther,
                               edtClientBottomClientClientAddCharOther));
    layout->addStretch(1);
  }

  gbxClientBottomClientClientLineBreak = named<QGroupBox>(this, "gbxClientBottomClientClientLineBreak");
  gbxClientBottomClientClientLineBreak->setTitle("Zeilenumbruch");
  {
    QGroupBox* box = gbxClientBottomClientClientLineBreak;
    btnClientBottomClientClientLineBreakCRLF =
        option(box, "btnClientBottomClientClientLineBreakCRLF", "CR + LF (#13#10)");
    btnClientBottomClientClientLineBreakLF =
        option(box, "btnClientBottomClientClientLineBreakLF", "LF (#10)");
    btnClientBottomClientClientLineBreakFree =
        option(box, "btnClientBottomClientClientLineBreakFree", "Anderen Zeilenumbruch");
    edtClientBottomClientClientLineBreakFree =
        notationEdit(box, "edtClientBottomClientClientLineBreakFree", "#10#13");
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(btnClientBottomClientClientLineBreakCRLF);
    layout->addWidget(btnClientBottomClientClientLineBreakLF);
    layout->addLayout(withEdit(btnClientBottomClientClientLineBreakFree,
                               edtClientBottomClientClientLineBreakFree));
    layout->addStretch(1);
  }

  // The bytes of an exported file; the clipboard always takes Unicode text.
  gbxClientBottomClientClientCharset = named<QGroupBox>(this, "gbxClientBottomClientClientCharset");
  gbxClientBottomClientClientCharset->setTitle("Zeichensatz");
  {
    QGroupBox* box = gbxClientBottomClientClientCharset;
    btnClientBottomClientClientCharsetANSI = option(box, "btnClientBottomClientClientCharsetANSI", "ANSI (Windows-1252)");
    btnClientBottomClientClientCharsetUTF8 = option(box, "btnClientBottomClientClientCharsetUTF8", "UTF-8");
    btnClientBottomClientClientCharsetUTF8BOM =
        option(box, "btnClientBottomClientClientCharsetUTF8BOM", "UTF-8 mit BOM (Excel)");
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(btnClientBottomClientClientCharsetANSI);
    layout->addWidget(btnClientBottomClientClientCharsetUTF8);
    layout->addWidget(btnClientBottomClientClientCharsetUTF8BOM);
    layout->addStretch(1);
  }

  gbxClientBottomClientClientSaveTo = named<QGroupBox>(this, "gbxClientBottomClientClientSaveTo");
  gbxClientBottomClientClientSaveTo->setTitle("Sichern nach...");
  {
    QGroupBox* box = gbxClientBottomClientClientSaveTo;
    btnClientBottomClientClientSaveToClipboard =
        option(box, "btnClientBottomClientClientSaveToClipboard", "In die Zwischenablage kopieren");
    btnClientBottomClientClientSaveToFile =
        option(box, "btnClientBottomClientClientSaveToFile", "Als Datei speichern");
    edtClientBottomClientClientSaveToFile = named<QLineEdit>(box, "edtClientBottomClientClientSaveToFile");
    btnClientBottomClientClientSaveToFileSeek =
        named<QPushButton>(box, "btnClientBottomClientClientSaveToFileSeek");
    btnClientBottomClientClientSaveToFileSeek->setText("...");
    btnClientBottomClientClientSaveToFileSeek->setAutoDefault(false);
    btnClientBottomClientClientSaveToFileSeek->setFixedWidth(32);
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(4);
    fileRow->addWidget(edtClientBottomClientClientSaveToFile, 1);
    fileRow->addWidget(btnClientBottomClientClientSaveToFileSeek);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(btnClientBottomClientClientSaveToClipboard);
    layout->addWidget(btnClientBottomClientClientSaveToFile);
    layout->addLayout(fileRow);
    layout->addStretch(1);
    connect(btnClientBottomClientClientSaveToFileSeek, &QPushButton::clicked, this,
            [this] { btnClientBottomClientClientSaveToFileSeekClick(); });
  }

  groups->addWidget(gbxClientBottomClientClientSeperator, 0, 0);
  groups->addWidget(gbxClientBottomClientClientAddChar, 0, 1);
  groups->addWidget(gbxClientBottomClientClientLineBreak, 1, 0);
  groups->addWidget(gbxClientBottomClientClientSaveTo, 1, 1);
  groups->addWidget(gbxClientBottomClientClientCharset, 2, 0);
  groups->setColumnStretch(0, 1);
  groups->setColumnStretch(1, 1);
  right->addLayout(groups, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnClientBottomClientClientGO = named<QPushButton>(this, "btnClientBottomClientClientGO");
  btnClientBottomClientClientGO->setText("Go");
  btnClientBottomClientClientGO->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  btnClientBottomClientClientGO->setDefault(true);
  btnClientBottomClientClientGO->setMinimumWidth(96);
  btnClientBottomClientClientCancel = named<QPushButton>(this, "btnClientBottomClientClientCancel");
  btnClientBottomClientClientCancel->setText("Cancel");
  btnClientBottomClientClientCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  btnClientBottomClientClientCancel->setAutoDefault(false);
  btnClientBottomClientClientCancel->setMinimumWidth(96);
  buttons->addWidget(btnClientBottomClientClientGO);
  buttons->addWidget(btnClientBottomClientClientCancel);
  right->addLayout(buttons);
  connect(btnClientBottomClientClientGO, &QPushButton::clicked, this,
          [this] { btnClientBottomClientClientGOClick(); });
  connect(btnClientBottomClientClientCancel, &QPushButton::clicked, this, [this] { done(2); });

  bottom->addLayout(right, 1);
  root->addLayout(bottom, 1);

  setOption(btnClientBottomClientClientSeperatorCSV, true);
  setOption(btnClientBottomClientClientAddCharNone, true);
  setOption(btnClientBottomClientClientLineBreakCRLF, true);
  setOption(btnClientBottomClientClientSaveToClipboard, true);
  setOption(btnClientBottomClientClientCharsetANSI, true);

  setFixedSize(sizeHint().expandedTo(QSize(617, 502)));
}

std::string TfrmSaveToForm::settingsFileName() const {
  return settingsFile_.empty() ? SysDataPath() + "DEFAULTS.INI" : settingsFile_;
}

void TfrmSaveToForm::setOption(QRadioButton* option, bool selected) {
  if (selected) {
    option->setChecked(true);  // the group's other options follow
    return;
  }
  // An exclusive radio button refuses to be cleared; a group may end up with
  // nothing selected when the stored settings say so.
  option->setAutoExclusive(false);
  option->setChecked(false);
  option->setAutoExclusive(true);
}

void TfrmSaveToForm::setPreviewWidth(int column, int width) {
  previewWidths_[static_cast<size_t>(column)] = width;
  if (width > 0) {
    sgrClientTop->setColumnHidden(column, false);
    sgrClientTop->setColumnWidth(column, width);
  } else {
    sgrClientTop->setColumnHidden(column, true);
  }
}

void TfrmSaveToForm::Prepare(StringTable& exportTable, std::vector<int> columnWidths) {
  TranslateForm(NLS(), this);
  table_ = &exportTable;
  const int columns = exportTable.columnCount();
  columnWidths.resize(static_cast<size_t>(columns), kExportColumnWidth);
  tableWidths_ = std::move(columnWidths);

  QSignalBlocker blockList(clbClientBottomLeftClient);
  sgrClientTop->clearContents();
  sgrClientTop->setColumnCount(columns);
  previewWidths_.assign(static_cast<size_t>(columns), kPreviewDefaultWidth);
  previewHeaders_.assign(static_cast<size_t>(columns), std::string());
  clbClientBottomLeftClient->clear();
  itemTexts_.clear();

  const QBrush fixedBrush = palette().brush(QPalette::Button);
  QFont headerFont = sgrClientTop->font();
  headerFont.setBold(true);
  auto addItem = [this](const std::string& text) {
    auto* item = new QListWidgetItem(fromUtf8(text), clbClientBottomLeftClient);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    itemTexts_.push_back(text);
  };

  const int shownRows = std::min(exportTable.rowCount(), kPreviewTableRows);
  for (int i = 0; i < columns && i < kMaxPreviewColumns; ++i) {
    setPreviewWidth(i, tableWidths_[static_cast<size_t>(i)]);
    if (i == 0) {
      addItem("Rowcount");
    } else if (tableWidths_[static_cast<size_t>(i)] > 0) {
      addItem(std::string(exportTable.cell(i, 0)));
    }
    if (exportTable.rowCount() > 0) previewHeaders_[static_cast<size_t>(i)] = exportTable.cell(i, 0);
    for (int r = 0; r < kPreviewRows; ++r) {
      QString text;
      if (r < shownRows) {
        text = fromUtf8(exportTable.cell(i, r));
      } else if (i >= 1) {
        text = QStringLiteral("...");
      }
      auto* item = new QTableWidgetItem(text);
      if (r == 0 || i == 0) {
        item->setBackground(fixedBrush);
        if (r == 0) item->setFont(headerFont);
      }
      sgrClientTop->setItem(r, i, item);
    }
  }

  TIniFile ini(settingsFileName());
  struct OptionKey {
    const char* key;
    QRadioButton* option;
    bool defaultValue;
  };
  struct TextKey {
    const char* key;
    QLineEdit* edit;
    const char* defaultValue;
  };
  // Read in this order: the last option of a group stored as true wins.
  auto readOption = [&](const OptionKey& k) {
    setOption(k.option, ini.ReadBool(kSettingsSection, k.key, k.defaultValue));
  };
  auto readText = [&](const TextKey& k) {
    k.edit->setText(fromUtf8(ini.ReadString(kSettingsSection, k.key, k.defaultValue)));
  };
  readOption({"DelimiterSaveCSV", btnClientBottomClientClientSeperatorCSV, true});
  readOption({"DelimiterSaveAscii", btnClientBottomClientClientSeperatorASCII, false});
  readOption({"DelimiterSaveTAB", btnClientBottomClientClientSeperatorTAB, false});
  readOption({"DelimiterSaveOther", btnClientBottomClientClientSeperatorFree, false});
  readText({"DelimiterSaveOtherSTR", edtClientBottomClientClientSeperatorFree, "#8"});
  readOption({"SaveToClipboard", btnClientBottomClientClientSaveToClipboard, true});
  readOption({"SaveToFile", btnClientBottomClientClientSaveToFile, false});
  readText({"SaveToFileSTR", edtClientBottomClientClientSaveToFile, ""});
  readOption({"LineBreakUseCRLF", btnClientBottomClientClientLineBreakCRLF, true});
  readOption({"LineBreakUseLF", btnClientBottomClientClientLineBreakLF, false});
  readOption({"LineBreakUseOther", btnClientBottomClientClientLineBreakFree, false});
  readText({"LineBreakUseOtherSTR", edtClientBottomClientClientLineBreakFree, "#10#13"});
  readOption({"AddCharNone", btnClientBottomClientClientAddCharNone, true});
  readOption({"AddCharSingle", btnClientBottomClientClientAddCharSingle, false});
  readOption({"AddCharDouble", btnClientBottomClientClientAddCharDouble, false});
  readOption({"AddCharOther", btnClientBottomClientClientAddCharOther, false});
  readText({"AddCharOtherSTR", edtClientBottomClientClientAddCharOther, "!"});
  readOption({"CharsetANSI", btnClientBottomClientClientCharsetANSI, true});
  readOption({"CharsetUTF8", btnClientBottomClientClientCharsetUTF8, false});
  readOption({"CharsetUTF8BOM", btnClientBottomClientClientCharsetUTF8BOM, false});

  if (clbClientBottomLeftClient->count() > 0) {
    bool rowCounts = ini.ReadBool(kSettingsSection, "SaveRowCounts", true);
    clbClientBottomLeftClient->item(0)->setCheckState(rowCounts ? Qt::Checked : Qt::Unchecked);
    clbClientBottomLeftClientClickCheck();
  }
  btnClientBottomClientClientGO->setFocus();
}

bool TfrmSaveToForm::WriteSettings() {
  TIniFile ini(settingsFileName());
  ini.BeginUpdate();
  auto writeOption = [&](const char* key, const QRadioButton* option) {
    ini.WriteBool(kSettingsSection, key, option->isChecked());
  };
  auto writeText = [&](const char* key, const QLineEdit* edit) {
    ini.WriteString(kSettingsSection, key, toUtf8(edit->text()));
  };
  writeOption("DelimiterSaveCSV", btnClientBottomClientClientSeperatorCSV);
  writeOption("DelimiterSaveAscii", btnClientBottomClientClientSeperatorASCII);
  writeOption("DelimiterSaveTAB", btnClientBottomClientClientSeperatorTAB);
  writeOption("DelimiterSaveOther", btnClientBottomClientClientSeperatorFree);
  writeText("DelimiterSaveOtherSTR", edtClientBottomClientClientSeperatorFree);
  writeOption("SaveToClipboard", btnClientBottomClientClientSaveToClipboard);
  writeOption("SaveToFile", btnClientBottomClientClientSaveToFile);
  writeText("SaveToFileSTR", edtClientBottomClientClientSaveToFile);
  writeOption("LineBreakUseCRLF", btnClientBottomClientClientLineBreakCRLF);
  writeOption("LineBreakUseLF", btnClientBottomClientClientLineBreakLF);
  writeOption("LineBreakUseOther", btnClientBottomClientClientLineBreakFree);
  writeText("LineBreakUseOtherSTR", edtClientBottomClientClientLineBreakFree);
  writeOption("AddCharNone", btnClientBottomClientClientAddCharNone);
  writeOption("AddCharSingle", btnClientBottomClientClientAddCharSingle);
  writeOption("AddCharDouble", btnClientBottomClientClientAddCharDouble);
  writeOption("AddCharOther", btnClientBottomClientClientAddCharOther);
  writeText("AddCharOtherSTR", edtClientBottomClientClientAddCharOther);
  writeOption("CharsetANSI", btnClientBottomClientClientCharsetANSI);
  writeOption("CharsetUTF8", btnClientBottomClientClientCharsetUTF8);
  writeOption("CharsetUTF8BOM", btnClientBottomClientClientCharsetUTF8BOM);
  if (clbClientBottomLeftClient->count() > 0) {
    ini.WriteBool(kSettingsSection, "SaveRowCounts",
                  clbClientBottomLeftClient->item(0)->checkState() == Qt::Checked);
  }
  return ini.EndUpdate();
}

void TfrmSaveToForm::clbClientBottomLeftClientClickCheck() {
  if (!table_) return;
  const int columns = static_cast<int>(previewWidths_.size());
  for (int k = 0; k < clbClientBottomLeftClient->count(); ++k) {
    bool checked = clbClientBottomLeftClient->item(k)->checkState() == Qt::Checked;
    if (k == 0) {
      if (columns > 0) setPreviewWidth(0, checked ? tableWidths_[0] : 0);
      continue;
    }
    // Columns are matched by header text: equal headers go together. The
    // row-number column has an empty header and belongs to item 0 alone.
    const std::string& text = itemTexts_[static_cast<size_t>(k)];
    for (int c = 1; c < columns; ++c) {
      if (previewHeaders_[static_cast<size_t>(c)] == text) {
        setPreviewWidth(c, checked ? tableWidths_[static_cast<size_t>(c)] : 0);
      }
    }
  }
}

void TfrmSaveToForm::btnClientBottomClientClientSaveToFileSeekClick() {
  QString fileName = platform::getSaveFileName(this, QString());
  if (!fileName.isEmpty()) edtClientBottomClientClientSaveToFile->setText(fileName);
}

void TfrmSaveToForm::btnClientBottomClientClientGOClick() {
  setResult(mrCancel);
  done(deliver());
}

int TfrmSaveToForm::deliver() {
  if (!table_) return mrCancel;
  // The first selected option of each group counts; a group without a
  // selection contributes nothing.
  ExportOptions options;
  options.separator = btnClientBottomClientClientSeperatorASCII->isChecked() ? SeparatorChoice::Ascii
                      : btnClientBottomClientClientSeperatorCSV->isChecked() ? SeparatorChoice::Csv
                      : btnClientBottomClientClientSeperatorTAB->isChecked() ? SeparatorChoice::Tab
                      : btnClientBottomClientClientSeperatorFree->isChecked() ? SeparatorChoice::Free
                                                                             : SeparatorChoice::None;
  options.separatorFree = toUtf8(edtClientBottomClientClientSeperatorFree->text());
  options.enclose = btnClientBottomClientClientAddCharSingle->isChecked()  ? EncloseChoice::Single
                    : btnClientBottomClientClientAddCharDouble->isChecked() ? EncloseChoice::Double
                    : btnClientBottomClientClientAddCharOther->isChecked()  ? EncloseChoice::Other
                                                                            : EncloseChoice::None;
  options.encloseOther = toUtf8(edtClientBottomClientClientAddCharOther->text());
  options.lineBreak = btnClientBottomClientClientLineBreakCRLF->isChecked()   ? LineBreakChoice::CrLf
                      : btnClientBottomClientClientLineBreakLF->isChecked()   ? LineBreakChoice::Lf
                      : btnClientBottomClientClientLineBreakFree->isChecked() ? LineBreakChoice::Free
                                                                              : LineBreakChoice::None;
  options.lineBreakFree = toUtf8(edtClientBottomClientClientLineBreakFree->text());
  options.encoding = btnClientBottomClientClientCharsetUTF8->isChecked()      ? TextEncoding::Utf8
                     : btnClientBottomClientClientCharsetUTF8BOM->isChecked() ? TextEncoding::Utf8Bom
                                                                              : TextEncoding::Windows1252;
  ExportFormat format;
  std::string error;
  if (!decodeExportFormat(options, format, error)) {
    platform::showPlainMessage(error);
    return mrCancel;
  }

  std::vector<bool> exported(previewWidths_.size());
  for (size_t c = 0; c < previewWidths_.size(); ++c) exported[c] = previewWidths_[c] > 0;

  std::string text;
  try {
    text = BuildExportText(*table_, exported, format);
  } catch (const std::bad_alloc&) {
    return reportBuildFailure();
  } catch (const std::length_error&) {
    return reportBuildFailure();
  }
  // Nothing chosen to export and nothing to separate: nothing to deliver.
  if (text.empty()) return mrCancel;

  const int lines = table_->rowCount();
  // A spreadsheet would split these cells; the user learns how many.
  std::string splitNote;
  if (const size_t splitting = CountCellsThatSplit(*table_, exported, format); splitting > 0) {
    splitNote = " " + replaceCount(NLS().GetNLSText("Information", "CellsSplit",
                                                    "%s Zellen enthalten das Trennzeichen oder einen "
                                                    "Zeilenumbruch; Zellen einklammern hilft."),
                                   static_cast<int>(splitting));
  }
  if (btnClientBottomClientClientSaveToClipboard->isChecked()) {
    platform::putClipboardText(text);
    ShowInfoMessage(replaceCount(NLS().GetNLSText("Information", "LinesCopied",
                                                  "%s Zeilen in die Zwischenablage kopiert!"),
                                 lines) + splitNote,
                    this);
    return mrOk;
  }
  if (btnClientBottomClientClientSaveToFile->isChecked()) {
    const QString fileName = edtClientBottomClientClientSaveToFile->text();
    if (fileName.isEmpty()) {
      ShowInfoMessage(
          NLS().GetNLSText("Errors", "EmptyFileName",
                           "Dateiname fehlt! Bitte geben Sie einen gültigen Namen ein!"),
          this);
      return mrCancel;
    }
    std::string cause;
    if (!writeFileAtomically(QFile::encodeName(fileName).toStdString(),
                             encodeExportText(text, options.encoding), &cause)) {
      platform::showPlainMessage("Die Datei \"" + toUtf8(fileName) +
                                 "\" konnte nicht geschrieben werden: " + cause);
      return mrCancel;
    }
    ShowInfoMessage(replaceCount(NLS().GetNLSText("Information", "LinesSaved",
                                                  "%s Zeilen in die Datei geschrieben!"),
                                 lines) + splitNote,
                    this);
    return mrOk;
  }
  return mrCancel;
}

// Escape and the close box give the same result as the Cancel button.
void TfrmSaveToForm::reject() { done(mrCancel); }

int TfrmSaveToForm::reportBuildFailure() {
  ShowInfoMessage(NLS().GetNLSText("Errors", "EErrorWhileBuildGridValueStr",
                                   "Fehler beim Aufbau der Ausgabe! Wahrscheinlich ist der "
                                   "Inhalt der Maske zu umfangreich!!"),
                  this);
  return mrCancel;
}

int ExecuteSaveToForm(TfrmSaveToForm& dialog, StringTable& exportTable,
                      std::vector<int> columnWidths) {
  dialog.Prepare(exportTable, std::move(columnWidths));
  if (QScreen* screen = dialog.screen()) {
    QRect area = screen->availableGeometry();
    dialog.move(area.center() - QPoint(dialog.width() / 2, dialog.height() / 2));
  }
  int result = dialog.exec();
  if (result == mrOk) dialog.WriteSettings();
  return result == mrOk ? mrOk : mrCancel;
}

}  // namespace rowsmith
