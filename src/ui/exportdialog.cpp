#include "ui/exportdialog.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QFontDatabase>

#include "export/exportsettings.h"
#include "export/exporttext.h"
#include "export/xlsxexport.h"
#include "import/resultcolumns.h"
#include "kernel/atomicfile.h"
#include "kernel/folders.h"
#include "kernel/strreplace.h"
#include "kernel/textcodec.h"
#include "os/osfile.h"
#include "nls/inifile.h"
#include "ui/messagedialog.h"
#include "nls/nlssupport.h"
#include "ui/translateform.h"
#include "platform/platform.h"

namespace rowsmith {

namespace {

using platform::fromUtf8;
using platform::toUtf8;

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

QRadioButton* optionButton(QWidget* parent, const char* name, const std::string& text) {
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

// A group's options one below the other; the last one has the group's edit
// field to its right, where there is one.
QVBoxLayout* layOutGroup(QGroupBox* box, const std::vector<QRadioButton*>& options, QLineEdit* edit) {
  auto* layout = new QVBoxLayout(box);
  for (QRadioButton* button : options) {
    if (edit && button == options.back()) {
      auto* row = new QHBoxLayout;
      row->setSpacing(6);
      row->addWidget(button);
      row->addStretch(1);
      row->addWidget(edit);
      layout->addLayout(row);
    } else {
      layout->addWidget(button);
    }
  }
  layout->addStretch(1);
  return layout;
}

std::string replaceCount(const std::string& text, int count) {
  return StrReplace("%s", std::to_string(count), text, true);
}

}  // namespace

ExportDialog::ExportDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("frmSaveToForm");
  setWindowTitle("Ergebnis speichern...");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  buildControls();
}

void ExportDialog::buildControls() {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(6, 6, 6, 6);
  root->setSpacing(6);
  root->addLayout(buildPreview());

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(6);
  bottom->addLayout(buildColumnList());
  auto* right = new QVBoxLayout;
  right->setSpacing(6);
  pnlClientBottomClientTop = captionBar(this, "pnlClientBottomClientTop", "Speicheroptionen");
  right->addWidget(pnlClientBottomClientTop);
  right->addLayout(buildOptionGroups(), 1);
  right->addLayout(buildButtons());
  bottom->addLayout(right, 1);
  root->addLayout(bottom, 1);

  const std::span<const ExportSettingKey> keys = exportSettingKeys();
  for (size_t k = 0; k < keys.size(); ++k)
    if (settingWidgets_[k].option && keys[k].defaultValue[0] == '1') setOption(settingWidgets_[k].option, true);
  setFixedSize(sizeHint().expandedTo(QSize(617, 502)));
  for (QRadioButton* button : findChildren<QRadioButton*>())
    connect(button, &QRadioButton::toggled, this, [this] { updatePreviewText(); });
  for (QLineEdit* edit : findChildren<QLineEdit*>())
    connect(edit, &QLineEdit::textChanged, this, [this] { updatePreviewText(); });
  connect(chkClientBottomClientClientKeepFormulas, &QCheckBox::toggled, this, [this] { updatePreviewText(); });

}

QRadioButton* ExportDialog::option(const char* key) const {
  const int k = exportSettingIndex(key);
  return k < 0 ? nullptr : settingWidgets_[static_cast<size_t>(k)].option;
}

QLineEdit* ExportDialog::textField(const char* key) const {
  const int k = exportSettingIndex(key);
  return k < 0 ? nullptr : settingWidgets_[static_cast<size_t>(k)].edit;
}

QLayout* ExportDialog::buildPreview() {
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
  pnlClientTopBottom = captionBar(this, "pnlClientTopBottom", "Vorschau des Textes");
  memClientTopBottom = named<QPlainTextEdit>(this, "memClientTopBottom");
  memClientTopBottom->setReadOnly(true);
  memClientTopBottom->setLineWrapMode(QPlainTextEdit::NoWrap);
  memClientTopBottom->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memClientTopBottom->setTabChangesFocus(true);
  memClientTopBottom->setFixedHeight(memClientTopBottom->fontMetrics().lineSpacing() * (kPreviewTableRows + 1) +
                                     2 * memClientTopBottom->frameWidth() + 8);
  top->addWidget(pnlClientTopBottom);
  top->addWidget(memClientTopBottom);
  return top;
}

QLayout* ExportDialog::buildColumnList() {
  auto* left = new QVBoxLayout;
  left->setSpacing(0);
  pnlClientBottomLeftTop = captionBar(this, "pnlClientBottomLeftTop", "Zu sichernde Spalten");
  clbClientBottomLeftClient = named<QListWidget>(this, "clbClientBottomLeftClient");
  clbClientBottomLeftClient->setFixedWidth(220);
  left->addWidget(pnlClientBottomLeftTop);
  left->addWidget(clbClientBottomLeftClient, 1);
  btnClientBottomLeftBottomAll = named<QPushButton>(this, "btnClientBottomLeftBottomAll");
  btnClientBottomLeftBottomAll->setText("&alle");
  btnClientBottomLeftBottomAll->setAutoDefault(false);
  btnClientBottomLeftBottomNone = named<QPushButton>(this, "btnClientBottomLeftBottomNone");
  btnClientBottomLeftBottomNone->setText("&keine");
  btnClientBottomLeftBottomNone->setAutoDefault(false);
  auto* allOrNone = new QHBoxLayout;
  allOrNone->addWidget(btnClientBottomLeftBottomAll);
  allOrNone->addWidget(btnClientBottomLeftBottomNone);
  left->addLayout(allOrNone);
  connect(clbClientBottomLeftClient, &QListWidget::itemChanged, this,
          [this](QListWidgetItem*) { clbClientBottomLeftClientClickCheck(); });
  connect(btnClientBottomLeftBottomAll, &QPushButton::clicked, this, [this] { checkAllColumns(true); });
  connect(btnClientBottomLeftBottomNone, &QPushButton::clicked, this, [this] { checkAllColumns(false); });
  return left;
}

QLayout* ExportDialog::buildOptionGroups() {
  auto group = [this](const char* name, const std::string& title) {
    QGroupBox* box = named<QGroupBox>(this, name);
    box->setTitle(fromUtf8(title));
    return box;
  };
  struct GroupBox {
    ExportGroup group;
    const char* name;
    const char* title;
  };
  // The bytes of an exported file come from the character set; the clipboard always takes Unicode text.
  static constexpr GroupBox kGroups[] = {
      {ExportGroup::Separator, "gbxClientBottomClientClientSeperator", "Trennzeichen"},
      {ExportGroup::Enclose, "gbxClientBottomClientClientAddChar", "Zellen zusätzlich einklammern..."},
      {ExportGroup::LineBreak, "gbxClientBottomClientClientLineBreak", "Zeilenumbruch"},
      {ExportGroup::SaveTo, "gbxClientBottomClientClientSaveTo", "Sichern nach..."},
      {ExportGroup::Charset, "gbxClientBottomClientClientCharset", "Zeichensatz"},
  };
  const std::span<const ExportSettingKey> keys = exportSettingKeys();
  settingWidgets_.assign(keys.size(), SettingWidget{nullptr, nullptr});
  optionGroups_.clear();
  for (const GroupBox& made : kGroups) {
    QGroupBox* box = group(made.name, made.title);
    optionGroups_.emplace_back(made.group, box);
    std::vector<size_t> members;
    for (size_t k = 0; k < keys.size(); ++k)
      if (keys[k].group == made.group) members.push_back(k);
    std::sort(members.begin(), members.end(), [&](size_t a, size_t b) { return keys[a].place < keys[b].place; });
    std::vector<QRadioButton*> buttons;
    QLineEdit* edit = nullptr;
    for (size_t k : members) {
      if (!keys[k].text)
        buttons.push_back(settingWidgets_[k].option = optionButton(box, keys[k].objectName, keys[k].caption));
      else if (made.group == ExportGroup::SaveTo)
        edit = settingWidgets_[k].edit = named<QLineEdit>(box, keys[k].objectName);
      else
        edit = settingWidgets_[k].edit = notationEdit(box, keys[k].objectName, keys[k].defaultValue);
    }
    if (made.group != ExportGroup::SaveTo) {
      layOutGroup(box, buttons, edit);
      continue;
    }
    // The file name with its button, below the options.
    btnClientBottomClientClientSaveToFileSeek = named<QPushButton>(box, "btnClientBottomClientClientSaveToFileSeek");
    btnClientBottomClientClientSaveToFileSeek->setText("...");
    btnClientBottomClientClientSaveToFileSeek->setAutoDefault(false);
    btnClientBottomClientClientSaveToFileSeek->setFixedWidth(32);
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(4);
    fileRow->addWidget(edit, 1);
    fileRow->addWidget(btnClientBottomClientClientSaveToFileSeek);
    layOutGroup(box, buttons, nullptr)->insertLayout(static_cast<int>(buttons.size()), fileRow);
    connect(btnClientBottomClientClientSaveToFileSeek, &QPushButton::clicked, this,
            [this] { btnClientBottomClientClientSaveToFileSeekClick(); });
  }
  btnClientBottomClientClientSaveToClipboard = option("SaveToClipboard");
  btnClientBottomClientClientSaveToFile = option("SaveToFile");
  btnClientBottomClientClientSaveToWorkbook = option("SaveToWorkbook");
  edtClientBottomClientClientSaveToFile = textField("SaveToFileSTR");

  // Text a spreadsheet would run as a formula gets a leading apostrophe
  // unless the user keeps it as it is.
  chkClientBottomClientClientKeepFormulas = named<QCheckBox>(this, "chkClientBottomClientClientKeepFormulas");
  chkClientBottomClientClientKeepFormulas->setText(fromUtf8("Formeln unverändert lassen (sonst mit ' geschützt)"));

  auto* groups = new QGridLayout;
  groups->setHorizontalSpacing(6);
  groups->setVerticalSpacing(6);
  for (size_t g = 0; g < optionGroups_.size(); ++g)
    groups->addWidget(optionGroups_[g].second, static_cast<int>(g / 2), static_cast<int>(g % 2));
  groups->addWidget(chkClientBottomClientClientKeepFormulas, 2, 1, Qt::AlignTop);
  groups->setColumnStretch(0, 1);
  groups->setColumnStretch(1, 1);
  return groups;
}

QLayout* ExportDialog::buildButtons() {
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnClientBottomClientClientGO = named<QPushButton>(this, "btnClientBottomClientClientGO");
  btnClientBottomClientClientGO->setText("&Los");
  btnClientBottomClientClientGO->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  btnClientBottomClientClientGO->setDefault(true);
  btnClientBottomClientClientGO->setMinimumWidth(96);
  btnClientBottomClientClientCancel = named<QPushButton>(this, "btnClientBottomClientClientCancel");
  btnClientBottomClientClientCancel->setText("&Abbrechen");
  btnClientBottomClientClientCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  btnClientBottomClientClientCancel->setAutoDefault(false);
  btnClientBottomClientClientCancel->setMinimumWidth(96);
  buttons->addWidget(btnClientBottomClientClientGO);
  buttons->addWidget(btnClientBottomClientClientCancel);
  connect(btnClientBottomClientClientGO, &QPushButton::clicked, this,
          [this] { btnClientBottomClientClientGOClick(); });
  connect(btnClientBottomClientClientCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
  return buttons;
}

std::string ExportDialog::settingsFileName() const {
  return settingsFile_.empty() ? SysDataPath() + "DEFAULTS.INI" : settingsFile_;
}

void ExportDialog::setOption(QRadioButton* option, bool selected) {
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

void ExportDialog::setPreviewWidth(int column, int width) {
  previewWidths_[static_cast<size_t>(column)] = width;
  if (width > 0) {
    sgrClientTop->setColumnHidden(column, false);
    sgrClientTop->setColumnWidth(column, width);
  } else {
    sgrClientTop->setColumnHidden(column, true);
  }
}

void ExportDialog::Prepare(StringTable& exportTable, std::vector<int> columnWidths,
                           std::vector<int> resultColumns) {
  TranslateForm(NLS(), this);
  resultColumns_ = std::move(resultColumns);
  // Group box titles are not part of the form translation; they are looked
  // up under their own names like the rest.
  for (const auto& [group, box] : optionGroups_) {
    if (!box->property("germanTitle").isValid()) box->setProperty("germanTitle", box->title());
    box->setTitle(fromUtf8(NLS().GetNLSText(objectName().toStdString(), box->objectName().toStdString(),
                                              toUtf8(box->property("germanTitle").toString()))));
  }
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
      addItem(NLS().GetNLSText(objectName().toStdString(), "RowNumbers", "Zeilennummer"));
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

  const ExportSettingValues values = readExportSettings(TIniFile(settingsFileName()));
  for (size_t k = 0; k < settingWidgets_.size() && k < values.size(); ++k) {
    const SettingWidget& widget = settingWidgets_[k];
    if (widget.option) setOption(widget.option, values[k] == "1");
    if (widget.edit) widget.edit->setText(fromUtf8(values[k]));
  }
  if (clbClientBottomLeftClient->count() > 0) {
    const bool rowCounts = exportSettingSet(values, "SaveRowCounts");
    clbClientBottomLeftClient->item(0)->setCheckState(rowCounts ? Qt::Checked : Qt::Unchecked);
    const std::vector<std::string> unchecked = uncheckedColumnsFrom(
        TIniFile(settingsFileName()).ReadString(kExportSettingsSection, kUncheckedColumnsKey, ""));
    for (int k = 1; k < clbClientBottomLeftClient->count(); ++k) {
      // Entries are column keys; older settings hold the header as shown then.
      const int column = resultColumnOfItem(k);
      const bool off = std::any_of(unchecked.begin(), unchecked.end(), [&](const std::string& entry) {
        return (column >= 0 && findResultColumn(entry) == column) || entry == itemTexts_[static_cast<size_t>(k)];
      });
      if (off) clbClientBottomLeftClient->item(k)->setCheckState(Qt::Unchecked);
    }
    clbClientBottomLeftClientClickCheck();
  }
  storedRowCounts_ = exportSettingSet(values, "SaveRowCounts");
  chkClientBottomClientClientKeepFormulas->setChecked(
      TIniFile(settingsFileName()).ReadBool(kExportSettingsSection, kKeepFormulasKey, false));
  countTransliteratedCells();
  updatePreviewText();
  btnClientBottomClientClientGO->setFocus();
}

ExportOptions ExportDialog::currentOptions() const {
  ExportOptions options = exportOptionsFrom(currentSettings());
  options.keepFormulas = chkClientBottomClientClientKeepFormulas->isChecked();
  return options;
}

ExportSettingValues ExportDialog::currentSettings() const {
  ExportSettingValues values;
  for (const SettingWidget& widget : settingWidgets_) {
    if (widget.option)
      values.push_back(widget.option->isChecked() ? "1" : "0");
    else if (widget.edit)
      values.push_back(toUtf8(widget.edit->text()));
    else if (clbClientBottomLeftClient->count() > 0)
      values.push_back(clbClientBottomLeftClient->item(0)->checkState() == Qt::Checked ? "1" : "0");
    else
      values.push_back(storedRowCounts_ ? "1" : "0");
  }
  return values;
}

bool ExportDialog::WriteSettings() {
  TIniFile ini(settingsFileName());
  ini.BeginUpdate();
  writeExportSettings(ini, currentSettings());
  // Only when the list was shown: an export without it keeps the choice.
  // The key appears once a column has been unticked.
  if (clbClientBottomLeftClient->count() > 0) {
    const std::string unchecked = uncheckedColumnsText(uncheckedColumnNames());
    if (!unchecked.empty() || !ini.ReadString(kExportSettingsSection, kUncheckedColumnsKey, "").empty())
      ini.WriteString(kExportSettingsSection, kUncheckedColumnsKey, unchecked);
  }
  ini.WriteBool(kExportSettingsSection, kKeepFormulasKey, chkClientBottomClientClientKeepFormulas->isChecked());
  return ini.EndUpdate();
}

void ExportDialog::countTransliteratedCells() {
  transliterated_.assign(static_cast<size_t>(table_->columnCount()), 0);
  std::string bytes;
  for (int r = 1; r < table_->rowCount(); ++r) {
    // Most rows are plain ASCII and need no closer look.
    if (!hasUtf8MultiByte(table_->rowText(r))) continue;
    for (int c = 1; c < table_->columnCount(); ++c) {
      const std::string_view cell = table_->cell(c, r);
      if (hasUtf8MultiByte(cell) && !utf8ToWindows1252Exact(cell, bytes)) ++transliterated_[static_cast<size_t>(c)];
    }
  }
}

int ExportDialog::resultColumnOfItem(int item) const {
  const int column = static_cast<size_t>(item) < resultColumns_.size() ? resultColumns_[static_cast<size_t>(item)] : -1;
  return column >= 0 && column < kResultColumns ? column : -1;
}

std::vector<std::string> ExportDialog::uncheckedColumnNames() const {
  std::vector<std::string> names;
  for (int k = 1; k < clbClientBottomLeftClient->count(); ++k) {
    if (clbClientBottomLeftClient->item(k)->checkState() == Qt::Checked) continue;
    const int column = resultColumnOfItem(k);
    names.push_back(column >= 0 ? std::string(resultColumns()[static_cast<size_t>(column)].key)
                                : itemTexts_[static_cast<size_t>(k)]);
  }
  return names;
}

void ExportDialog::checkAllColumns(bool checked) {
  {
    QSignalBlocker quiet(clbClientBottomLeftClient);
    for (int k = 0; k < clbClientBottomLeftClient->count(); ++k)
      clbClientBottomLeftClient->item(k)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  }
  clbClientBottomLeftClientClickCheck();
}

QString ExportDialog::previewText() const { return memClientTopBottom->toPlainText(); }

void ExportDialog::exportedColumns(std::vector<int>& order, bool& rowNumbers) const {
  order.clear();
  rowNumbers = !previewWidths_.empty() && previewWidths_[0] > 0;
  for (size_t c = 1; c < previewWidths_.size(); ++c)
    if (previewWidths_[c] > 0) order.push_back(static_cast<int>(c));
}

size_t ExportDialog::transliteratedCells() const {
  size_t count = 0;
  for (size_t c = 1; c < previewWidths_.size() && c < transliterated_.size(); ++c)
    if (previewWidths_[c] > 0) count += transliterated_[c];
  return count;
}

void ExportDialog::updatePreviewText() {
  if (!table_) return;
  const bool workbook = btnClientBottomClientClientSaveToWorkbook->isChecked();
  // What does not apply to a workbook cannot be chosen for one.
  for (const auto& [group, box] : optionGroups_)
    if (group != ExportGroup::SaveTo) box->setEnabled(!workbook);
  chkClientBottomClientClientKeepFormulas->setEnabled(!workbook);
  const ExportOptions options = currentOptions();
  ExportFormat format;
  std::string error;
  if (!decodeExportFormat(options, format, error)) {
    memClientTopBottom->setPlainText(fromUtf8(error));
    return;
  }
  StringTable first(table_->columnCount());
  const int rows = std::min(table_->rowCount(), kPreviewTableRows);
  first.setRowCount(rows);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < table_->columnCount(); ++c) first.setCell(c, r, table_->cell(c, r));
  std::vector<int> order;
  bool rowNumbers = false;
  exportedColumns(order, rowNumbers);
  std::string text;
  for (const std::string& piece : exportResult(first, {}, order, rowNumbers, format, TextEncoding::Utf8).pieces)
    text += piece;
  // The file's letters: what Windows-1252 lacks shows as it will be written.
  const bool ansi = !workbook && btnClientBottomClientClientSaveToFile->isChecked() &&
                    options.encoding == TextEncoding::Windows1252;
  if (ansi) text = decodeWindows1252(encodeWindows1252(text));
  const QString written = fromUtf8(text);
  // Control characters as visible marks, so a separator or line break can
  // be read: arrows every font has for tab, CR and LF, "^@" and the like
  // for the rest; after each LF the preview starts a new line.
  QString shown;
  for (QChar c : written) {
    if (c == QLatin1Char('\t')) {
      shown += QChar(0x2192);
    } else if (c == QLatin1Char('\r')) {
      shown += QChar(0x2190);
    } else if (c == QLatin1Char('\n')) {
      shown += QChar(0x2193);
      shown += QLatin1Char('\n');
    } else if (c.unicode() < 32) {
      shown += QLatin1Char('^');
      shown += QChar(c.unicode() + 64);
    } else {
      shown += c;
    }
  }
  if (ansi && transliteratedCells() > 0)
    shown += QLatin1Char('\n') + fromUtf8(replaceCount(NLS().GetNLSText(objectName().toStdString(), "Transliterated",
                                                                        "(%s Zellen werden in Windows-1252 umschrieben)"),
                                                       static_cast<int>(transliteratedCells())));
  memClientTopBottom->setPlainText(shown);
}

void ExportDialog::clbClientBottomLeftClientClickCheck() {
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
  updatePreviewText();
}

void ExportDialog::btnClientBottomClientClientSaveToFileSeekClick() {
  const bool workbook = btnClientBottomClientClientSaveToWorkbook->isChecked();
  const std::string name = objectName().toStdString();
  const QString filter =
      workbook ? fromUtf8(NLS().GetNLSText(name, "WorkbookFilter", "Arbeitsmappen")) + " (*.xlsx)"
               : fromUtf8(NLS().GetNLSText(name, "TextFilter", "Textdateien")) + " (*.csv *.txt)";
  const QString all = fromUtf8(NLS().GetNLSText("CommonTXT", "AllFileFilter", "Alle Dateien")) + " (*)";
  // Starts where the named file is, or in the current folder.
  QString startAt = edtClientBottomClientClientSaveToFile->text();
  if (startAt.isEmpty() || !QFileInfo(startAt).absoluteDir().exists()) startAt = QDir::currentPath();
  QString fileName = platform::getSaveFileName(this, QString(), startAt, filter + ";;" + all);
  if (!fileName.isEmpty()) edtClientBottomClientClientSaveToFile->setText(fileName);
}

void ExportDialog::btnClientBottomClientClientGOClick() {
  const int result = deliver();
  // After a failure the dialog stays, with the user's choices, to be mended.
  if (result == mrOk) {
    done(mrOk);
  } else {
    activateWindow();
    if (failedField_) failedField_->setFocus();
  }
}

QString ExportDialog::targetWithExtension(const QString& fileName, bool workbook, bool csv) const {
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  const bool known = suffix == "xlsx" || suffix == "csv" || suffix == "txt";
  if (workbook) {
    if (suffix == "xlsx") return fileName;
    return (known ? fileName.left(fileName.size() - suffix.size() - 1) : fileName) + ".xlsx";
  }
  if (!suffix.isEmpty() && suffix != "xlsx") return fileName;
  const QString wanted = csv ? ".csv" : ".txt";
  return (suffix == "xlsx" ? fileName.left(fileName.size() - 5) : fileName) + wanted;
}

std::string ExportDialog::targetProblem(const QString& fileName) const {
  const char* const section = "Causes";
  const os::FileInfo info = os::fileInfo(QFile::encodeName(fileName).toStdString());
  if (info.kind == os::FileKind::Folder) return NLS().GetNLSText(section, "IsFolder", "Das ist ein Ordner");
  const QString folder = QFileInfo(fileName).absolutePath();
  const os::FileKind folderKind = os::fileInfo(QFile::encodeName(folder).toStdString()).kind;
  if (folderKind == os::FileKind::Missing)
    return replacePlaceholder(NLS().GetNLSText(section, "FolderMissing", "Der Ordner \"%s\" existiert nicht"),
                              toUtf8(QDir::toNativeSeparators(folder)));
  if (folderKind != os::FileKind::Folder)
    return NLS().GetNLSText(section, "NotAFolder", "Ein Teil des Pfades ist kein Ordner");
  if (info.kind == os::FileKind::Regular && !QFileInfo(fileName).isWritable())
    return NLS().GetNLSText(section, "ReadOnlyFile", "Die Datei ist schreibgeschützt");
  return {};
}

int ExportDialog::deliver() {
  failedField_ = nullptr;
  if (!table_) return mrCancel;
  const ExportOptions options = currentOptions();
  ExportFormat format;
  std::string error;
  if (!decodeExportFormat(options, format, error)) {
    platform::showPlainMessage(error);
    return mrNone;
  }
  std::vector<int> order;
  bool rowNumbers = false;
  exportedColumns(order, rowNumbers);
  // Nothing chosen to export: nothing to deliver.
  if (order.empty() && !rowNumbers) {
    failedField_ = clbClientBottomLeftClient;
    return mrNone;
  }
  // What a spreadsheet would make of the cells: the user learns how many
  // it would split and how many begin like a formula.
  auto notes = [&](size_t splitting, size_t formulas) {
    std::string note;
    if (splitting > 0)
      note.append(" ").append(replaceCount(NLS().GetNLSText("Information", "CellsSplit",
                                                  "%s Zellen enthalten das Trennzeichen oder einen "
                                                  "Zeilenumbruch; Zellen einklammern hilft."),
                                 static_cast<int>(splitting)));
    if (formulas > 0)
      note.append(" ").append(replaceCount(options.keepFormulas
                                     ? NLS().GetNLSText("Information", "FormulasKept",
                                                        "%s Zellen beginnen wie eine Formel und wurden unverändert "
                                                        "geschrieben.")
                                     : NLS().GetNLSText("Information", "FormulasGuarded",
                                                        "%s Zellen beginnen wie eine Formel und bekamen ein "
                                                        "Apostroph davor."),
                                 static_cast<int>(formulas)));
    return note;
  };

  const int lines = table_->rowCount();
  if (btnClientBottomClientClientSaveToClipboard->isChecked()) {
    std::string text;
    size_t splitting = 0, formulas = 0;
    try {
      ExportBytes bytes = exportResult(*table_, {}, order, rowNumbers, format, TextEncoding::Utf8);
      for (const std::string& piece : bytes.pieces) text += piece;
      splitting = bytes.splitting;
      formulas = bytes.formulas;
    } catch (const std::bad_alloc&) {
      return reportBuildFailure();
    } catch (const std::length_error&) {
      return reportBuildFailure();
    }
    platform::putClipboardText(text);
    ShowInfoMessage(replaceCount(NLS().GetNLSText("Information", "LinesCopied",
                                                  "%s Zeilen in die Zwischenablage kopiert!"),
                                 lines) + notes(splitting, formulas),
                    this);
    return mrOk;
  }
  const bool workbook = btnClientBottomClientClientSaveToWorkbook->isChecked();
  if (!btnClientBottomClientClientSaveToFile->isChecked() && !workbook) return mrNone;
  QString fileName = edtClientBottomClientClientSaveToFile->text().trimmed();
  if (fileName.isEmpty()) {
    ShowInfoMessage(NLS().GetNLSText("Errors", "EmptyFileName",
                                     "Dateiname fehlt! Bitte geben Sie einen gültigen Namen ein!"),
                    this);
    failedField_ = edtClientBottomClientClientSaveToFile;
    return mrNone;
  }
  const QString named = targetWithExtension(fileName, workbook, options.separator != SeparatorChoice::Tab);
  std::string nameNote;
  if (named != fileName) {
    nameNote = " " + replacePlaceholder(NLS().GetNLSText("Information", "ExtensionAdded",
                                                         "Der Dateiname wurde zu \"%s\" ergänzt."),
                                        toUtf8(QDir::toNativeSeparators(named)));
    fileName = named;
    const QSignalBlocker quiet(edtClientBottomClientClientSaveToFile);
    edtClientBottomClientClientSaveToFile->setText(fileName);
  }
  const std::string target = QFile::encodeName(fileName).toStdString();
  auto fail = [&](const std::string& cause) {
    platform::showPlainMessage(
        replacePlaceholder(NLS().GetNLSText("Errors", "CannotWrite", "Die Datei \"%s\" konnte nicht geschrieben werden:"),
                           toUtf8(QDir::toNativeSeparators(fileName))) +
        " " + cause);
    failedField_ = edtClientBottomClientClientSaveToFile;
    return mrNone;
  };
  if (const std::string problem = targetProblem(fileName); !problem.empty()) return fail(problem);

  ExportCounts counts;
  try {
    AtomicFile file;
    if (!file.open(target)) return fail(causeText(file.error()));
    if (workbook) {
      // Straight into the file that replaces the target, never a copy in
      // the temporary folder that an interrupt could leave behind.
      const std::string into = file.temporaryPath().empty() ? target : file.temporaryPath();
      XlsxOutcome book = writeXlsxWorkbookOfExportTable(into, *table_, previewWidthsExported(), resultColumns_);
      if (!book.ok) return fail(book.cause);
      if (!file.commit()) return fail(causeText(file.error()));
    } else {
      bool written = true;
      counts = writeResultExport(*table_, {}, order, rowNumbers, format, options.encoding,
                                 [&](std::string_view bytes) { return written = file.write(bytes); });
      if (!written || !file.commit()) return fail(causeText(file.error()));
    }
  } catch (const std::bad_alloc&) {
    return reportBuildFailure();
  } catch (const std::length_error&) {
    return reportBuildFailure();
  }
  ShowInfoMessage(replaceCount(NLS().GetNLSText("Information", "LinesSaved", "%s Zeilen in die Datei geschrieben!"),
                               lines) + notes(counts.splitting, counts.formulas) + nameNote,
                  this);
  return mrOk;
}

std::vector<bool> ExportDialog::previewWidthsExported() const {
  std::vector<bool> exported(previewWidths_.size());
  for (size_t c = 0; c < previewWidths_.size(); ++c) exported[c] = previewWidths_[c] > 0;
  return exported;
}
// Escape and the close box give the same result as the Cancel button.
void ExportDialog::reject() { done(mrCancel); }

int ExportDialog::reportBuildFailure() {
  ShowInfoMessage(NLS().GetNLSText("Errors", "EErrorWhileBuildGridValueStr",
                                   "Fehler beim Aufbau der Ausgabe! Wahrscheinlich ist der "
                                   "Inhalt der Maske zu umfangreich!!"),
                  this);
  return mrNone;
}

int ExecuteExportDialog(ExportDialog& dialog, StringTable& exportTable,
                        std::vector<int> columnWidths, std::vector<int> resultColumns) {
  dialog.Prepare(exportTable, std::move(columnWidths), std::move(resultColumns));
  platform::centreOnScreen(dialog);
  int result = dialog.exec();
  if (result == mrOk) dialog.WriteSettings();
  return result == mrOk ? mrOk : mrCancel;
}

}  // namespace rowsmith
