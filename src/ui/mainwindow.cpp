#include "ui/mainwindow.h"

#include <algorithm>
#include <exception>

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/messagedialog.h"
#include "ui/exportdialog.h"
#include "import/importrun.h"
#include "import/resultcolumns.h"
#include "kernel/folders.h"
#include "kernel/utf8text.h"
#include "kernel/sortengine.h"
#include "nls/inifile.h"
#include "nls/nlssupport.h"
#include "os/osfile.h"
#include "ui/rowdetails.h"
#include "ui/productinfodialog.h"
#include "ui/translateform.h"
#include "ui/importprogress.h"
#include "ui/findbar.h"
#include "platform/platform.h"
#include "ui/resultgrid.h"

namespace rowsmith {

namespace {

constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 600;
constexpr int kButtonPanelHeight = 41;
constexpr int kWelcomeHeight = 184;
constexpr int kSplitterWidth = 8;

const QColor kKeyColours[SortKeys::kMaxKeys] = {
    QColor(255, 0, 0), QColor(192, 64, 0), QColor(128, 128, 0), QColor(64, 192, 0), QColor(0, 255, 0)};

QFrame* makePanel(const char* name, QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(name);
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  return panel;
}

// Resets the grid's model around a change of the table on every path out.
class TableChange {
 public:
  explicit TableChange(ResultTableModel* model) : model_(model) { model_->beginTableChange(); }
  ~TableChange() { model_->endTableChange(); }
  TableChange(const TableChange&) = delete;
  TableChange& operator=(const TableChange&) = delete;

 private:
  ResultTableModel* model_;
};

// Runs a handler's work; memory running out on a huge table must not take
// the program down from inside the event loop, so the user is told instead.
template <class Work>
void reportingFailure(Work work) {
  try {
    work();
  } catch (const std::exception& error) {
    platform::showPlainMessage(error.what());
  }
}

// Tells the view about a new row order on every path out.
class RowOrderChange {
 public:
  explicit RowOrderChange(ResultTableModel* model) : model_(model) { model_->beginRowOrderChange(); }
  ~RowOrderChange() { model_->endRowOrderChange(); }
  RowOrderChange(const RowOrderChange&) = delete;
  RowOrderChange& operator=(const RowOrderChange&) = delete;

 private:
  ResultTableModel* model_;
};

constexpr int kHeaderTextMargin = 12;

QString text(const char* key, const char* german) {
  return platform::fromUtf8(NLS().GetNLSText("frmGedComIm", key, german));
}

std::string settingsFileName() { return SysDataPath() + "DEFAULTS.INI"; }

constexpr char kWindowSection[] = "Window";
constexpr char kLanguageSection[] = "Language";
// Column widths fit the cells of this many rows after an import.
constexpr int kFitRows = 2000;
constexpr int kMaxFitWidth = 400;

QString runOpenDialog(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace

std::string groupedNumber(long long value) {
  const std::string separator = NLS().GetNLSText("CommonTXT", "ThousandsSeparator", ".");
  std::string digits = std::to_string(value < 0 ? -value : value);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  if (value < 0) grouped.insert(grouped.begin(), '-');
  return grouped;
}

const std::string& welcomeText() {
  static const std::string text =
      "Willkommen zum Konvertierer von GEDCOM-Dateien zu beliebig separierten Tabellen!\r\n\r\n"
      "Um eine GEDCOM-Datei mit Personendaten zu konvertieren, öffnen Sie diese Datei "
      "(Schaltfläche \"Go!\" unten links) und exportieren nach dem erfolgreichen Einlesen "
      "die Daten in eine Datei oder in die Zwischenablage (Schaltfläche \"Export\" unten "
      "links). Sie können die Datei auch beim Start des Programms nennen oder auf das "
      "Fenster ziehen.\r\n\r\n"
      "Partner werden immer so dargestellt, dass die Daten des weiblichen Teils, also der mit "
      "dem Zusatz \"(Partner)\" in der Überschrift, rechts im Gitter gesetzt werden und die "
      "Daten des männlichen Teils in der gleichen Zeile ohne diesen Zusatz links. Um die "
      "Ansicht homogen zu halten, werden auch weibliche Personen ohne Partner rechts "
      "aufgeführt.\r\n\r\n"
      "Personen können öfter vorkommen, wenn diese mehrfach verheiratet sind. Die "
      "Liste kann durch Mausklick auf die Überschrift sortiert werden, eine "
      "Mehrfachsortierung wird durch das Halten der Umschalttaste ermöglicht. Strg+F sucht "
      "einen Text, der Filter zeigt nur die Zeilen, die ihn enthalten, die Eingabetaste "
      "zeigt eine Zeile vollständig.";
  return text;
}

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent),
      table_(makeResultTable()),
      recentFiles_(settingsFileName()),
      shiftDown_(platform::isShiftDown) {
  setObjectName("frmGedComIm");
  resize(kWindowWidth, kWindowHeight);
  setAcceptDrops(true);
  createControls();
  createMenu();
  createShortcuts();
  FormCreate();
}

MainWindow::~MainWindow() {
  // The grid reads the table until it is gone; the table is a member and
  // dies before the children that QWidget deletes. The pointer is cleared
  // first: the event filter still sees the grid's events while it is torn down.
  auto* grid = SGrid;
  SGrid = nullptr;
  delete grid;
}

void MainWindow::createMenu() {
  mnuMain = new QMenuBar(this);
  mnuMain->setObjectName("mnuMain");
  QMenu* edit = mnuMain->addMenu(QString());
  edit->setObjectName("mnuEdit");
  actUndo = edit->addAction(QString());
  actUndo->setObjectName("actUndo");
  actUndo->setShortcut(QKeySequence::Undo);
  actUndo->setShortcutContext(Qt::WindowShortcut);
  actUndo->setEnabled(false);
  connect(actUndo, &QAction::triggered, this, [this] {
    if (!importRunning_) undoClear();
  });
  addAction(actUndo);
  QMenu* language = mnuMain->addMenu(QString());
  language->setObjectName("mnuLanguage");
  actGerman = language->addAction(QStringLiteral("Deutsch"));
  actGerman->setObjectName("actGerman");
  actEnglish = language->addAction(QStringLiteral("English"));
  actEnglish->setObjectName("actEnglish");
  for (QAction* action : {actGerman, actEnglish}) action->setCheckable(true);
  connect(actGerman, &QAction::triggered, this, [this] { chooseLanguage(49); });
  connect(actEnglish, &QAction::triggered, this, [this] { chooseLanguage(44); });
  language->addSeparator();
  QAction* note = language->addAction(QString());
  note->setObjectName("actLanguageNote");
  note->setEnabled(false);
  static_cast<QVBoxLayout*>(layout())->insertWidget(0, mnuMain);
}

void MainWindow::chooseLanguage(int languageId) {
  TIniFile settings(settingsFileName());
  settings.BeginUpdate();
  settings.WriteString(kLanguageSection, "Main", "1");
  settings.WriteInteger(kLanguageSection, "ID", languageId);
  settings.EndUpdate();
  // The texts change at the next start; the menu shows the choice now.
  actGerman->setChecked(languageId == 49);
  actEnglish->setChecked(languageId == 44);
}

void MainWindow::createControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  pnlClient = makePanel("pnlClient", this);
  auto* clientLayout = new QVBoxLayout(pnlClient);
  clientLayout->setContentsMargins(1, 1, 1, 1);
  splClient = new QSplitter(Qt::Vertical, pnlClient);
  splClient->setObjectName("splClient");
  splClient->setHandleWidth(kSplitterWidth);
  splClient->setChildrenCollapsible(false);
  clientLayout->addWidget(splClient);

  pnlClientTop = makePanel("pnlClientTop", splClient);
  auto* topLayout = new QVBoxLayout(pnlClientTop);
  topLayout->setContentsMargins(1, 1, 1, 1);
  memClientTopTop = new QPlainTextEdit(pnlClientTop);
  memClientTopTop->setObjectName("memClientTopTop");
  memClientTopTop->setReadOnly(true);
  memClientTopTop->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memClientTopTop->setFrameShape(QFrame::NoFrame);
  memClientTopTop->setTabChangesFocus(true);
  memClientTopTop->setAcceptDrops(false);
  memClientTopTop->setBackgroundRole(QPalette::Window);  // the parent's colour
  {
    QPalette palette = memClientTopTop->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    memClientTopTop->setPalette(palette);
  }
  topLayout->addWidget(memClientTopTop);

  SGrid = new ResultGrid(table_, splClient);
  SGrid->setObjectName("SGrid");
  splClient->addWidget(pnlClientTop);
  splClient->addWidget(SGrid);
  splClient->setStretchFactor(0, 0);
  splClient->setStretchFactor(1, 1);
  splClient->setSizes({kWelcomeHeight, kWindowHeight - kWelcomeHeight - kButtonPanelHeight});
  layout->addWidget(pnlClient, 1);

  findBar = new FindBar(*SGrid, table_, this);
  connect(findBar, &FindBar::filterApplied, this, [this] { updateStatus(); });
  layout->addWidget(findBar);
  layout->addWidget(createButtonPanel());

  gedcomOpenDialog = new QFileDialog(this);
  gedcomOpenDialog->setObjectName("gedcomOpenDialog");
  gedcomOpenDialog->setFileMode(QFileDialog::ExistingFile);
  gedcomOpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
  gedcomOpenDialog->setOption(QFileDialog::HideNameFilterDetails);

  connectControls();
  SGrid->viewport()->installEventFilter(this);
  SGrid->horizontalHeader()->viewport()->installEventFilter(this);
}

QFrame* MainWindow::createButtonPanel() {
  pnlButton = makePanel("pnlButton", this);
  pnlButton->setFixedHeight(kButtonPanelHeight);
  auto* buttonLayout = new QHBoxLayout(pnlButton);
  buttonLayout->setContentsMargins(4, 2, 4, 2);
  buttonLayout->setSpacing(8);
  btnGo = new QPushButton("&Go!", pnlButton);
  btnGo->setObjectName("btnGo");
  btnGo->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  btnClientClientExport = new QPushButton("&Export", pnlButton);
  btnClientClientExport->setObjectName("btnClientClientExport");
  btnClientClientExport->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  for (QPushButton* button : {btnGo, btnClientClientExport}) {
    button->setFixedWidth(140);
    button->setMinimumHeight(kButtonPanelHeight - 8);
    buttonLayout->addWidget(button);
  }
  btnGoRecent = new QToolButton(pnlButton);
  btnGoRecent->setObjectName("btnGoRecent");
  btnGoRecent->setText("&Letzte Dateien");
  btnGoRecent->setToolButtonStyle(Qt::ToolButtonTextOnly);
  btnGoRecent->setPopupMode(QToolButton::InstantPopup);
  btnGoRecent->setMinimumHeight(kButtonPanelHeight - 8);
  mnuRecent = new QMenu(btnGoRecent);
  mnuRecent->setObjectName("mnuRecent");
  btnGoRecent->setMenu(mnuRecent);
  connect(mnuRecent, &QMenu::aboutToShow, this, [this] { fillRecentMenu(); });
  // The same list on Go! itself, by its context menu.
  btnGo->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(btnGo, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { mnuRecent->exec(btnGo->mapToGlobal(at)); });
  buttonLayout->insertWidget(1, btnGoRecent);
  buttonLayout->addSpacing(24);
  auto* dateLayout = new QVBoxLayout();
  dateLayout->setSpacing(0);
  // Both radio buttons share their parent, which makes them one group.
  rbtWesternDate = new QRadioButton("Datumsformat \"&dd.mm.yyyy\" (21.01.1687)", pnlButton);
  rbtWesternDate->setObjectName("rbtWesternDate");
  rbtWesternDate->setChecked(true);
  rbtSortableDate = new QRadioButton("Datumsformat \"&yyyymmdd\" (16870121)", pnlButton);
  rbtSortableDate->setObjectName("rbtUnixDate");
  dateLayout->addWidget(rbtWesternDate);
  dateLayout->addWidget(rbtSortableDate);
  buttonLayout->addLayout(dateLayout);
  buttonLayout->addStretch(1);
  return pnlButton;
}

void MainWindow::connectControls() {
  connect(btnGo, &QPushButton::clicked, this, [this] { btnGoClick(); });
  connect(btnClientClientExport, &QPushButton::clicked, this, [this] { btnClientClientExportClick(); });
  connect(rbtWesternDate, &QRadioButton::toggled, this, [this] { rbtDateFormClick(); });
  connect(SGrid, &QAbstractItemView::doubleClicked, this, [this] { showRowDetails(); });
  // Tab moves between the grid and the controls; the arrow keys move inside.
  SGrid->setTabKeyNavigation(false);
  setTabOrder(SGrid, btnGo);
  setTabOrder(btnGo, btnGoRecent);
  setTabOrder(btnGoRecent, btnClientClientExport);
  setTabOrder(btnClientClientExport, rbtWesternDate);
  setTabOrder(rbtWesternDate, findBar->edtFilter);
  SGrid->resultHeader()->setSectionColour([this](int column) { return headerColour(column); });
  SGrid->resultHeader()->setSectionMark([this](int column) { return headerMark(column); });
  SGrid->tableModel()->setHeaderTip([this](int column) { return headerTip(column); });
  connect(SGrid->horizontalHeader(), &QHeaderView::sectionMoved, this,
          [this] { columnMovedSincePress_ = true; });
  SGrid->installEventFilter(this);
}

void MainWindow::FormCreate() {
  forceDirectories(NLSPath());
  forceDirectories(SysDataPath());
  copyShippedLanguageFiles(NLSPath());
  {
    TIniFile settings(settingsFileName());
    const bool english = os::fileInfo(NLSPath() + "NLS.44").kind == os::FileKind::Regular;
    NLS().SetLanguage(startLanguage(settings.ReadString("Language", "Main", ""),
                                    settings.ReadInteger("Language", "ID", -1),
                                    QLocale::system().name().toStdString(), english));
  }
  platform::loadToolkitTranslations(NLS().language());
  translateTexts();
  for (const std::string& skipped : takeSkippedIniFiles())
    platform::showPlainMessage(replacePlaceholder(
        NLS().GetNLSText("Errors", "FileSkipped",
                         "Die Datei \"%s\" wurde nicht gelesen: Sie ist keine gewöhnliche Datei oder größer als 4 MB."),
        skipped));
  resetSortState();
  SGrid->setCurrentCell(0, 1);
  SGrid->setFocus();
  // Every header readable at once; the user's widths are kept after that.
  const QFontMetrics metrics(SGrid->horizontalHeader()->font());
  for (int c = 0; c < table_.columnCount(); ++c) {
    const int width = metrics.horizontalAdvance(platform::fromUtf8(table_.cell(c, 0))) + kHeaderTextMargin;
    SGrid->horizontalHeader()->resizeSection(c, std::max(width, kDefaultColumnWidth));
  }
  restoreWindowState();
}

void MainWindow::restoreWindowState() {
  TIniFile settings(settingsFileName());
  const int width = settings.ReadInteger(kWindowSection, "Width", 0);
  const int height = settings.ReadInteger(kWindowSection, "Height", 0);
  if (width >= 200 && height >= 150) resize(width, height);
  const QPoint at(settings.ReadInteger(kWindowSection, "Left", INT32_MIN),
                  settings.ReadInteger(kWindowSection, "Top", INT32_MIN));
  // A position off every screen (a monitor since unplugged) is not kept.
  if (at.x() != INT32_MIN && at.y() != INT32_MIN && QGuiApplication::screenAt(at + QPoint(20, 20))) move(at);
  if (settings.ReadString(kWindowSection, "DateForm", "") == "yyyymmdd") {
    const QSignalBlocker quiet(rbtSortableDate);
    const QSignalBlocker quietToo(rbtWesternDate);
    rbtSortableDate->setChecked(true);
    SGrid->tableModel()->setDateForm(DateForm::Sortable);
  }
  const std::string widths = settings.ReadString(kWindowSection, "ColumnWidths", "");
  size_t start = 0;
  for (int c = 0; c < table_.columnCount() && start < widths.size(); ++c) {
    size_t end = widths.find(',', start);
    if (end == std::string::npos) end = widths.size();
    if (const auto width = toInt32(std::string_view(widths).substr(start, end - start)); width && *width >= 0 && *width <= 4000)
      SGrid->horizontalHeader()->resizeSection(c, *width);
    start = end + 1;
  }
}

void MainWindow::saveWindowState() {
  TIniFile settings(settingsFileName());
  settings.BeginUpdate();
  settings.WriteInteger(kWindowSection, "Left", pos().x());
  settings.WriteInteger(kWindowSection, "Top", pos().y());
  settings.WriteInteger(kWindowSection, "Width", width());
  settings.WriteInteger(kWindowSection, "Height", height());
  settings.WriteString(kWindowSection, "DateForm", rbtSortableDate->isChecked() ? "yyyymmdd" : "dd.mm.yyyy");
  std::string widths;
  for (int c = 0; c < table_.columnCount(); ++c) {
    if (c > 0) widths += ',';
    widths += std::to_string(SGrid->horizontalHeader()->sectionSize(c));
  }
  settings.WriteString(kWindowSection, "ColumnWidths", widths);
  settings.EndUpdate();
}

void MainWindow::fitColumnWidths() {
  QHeaderView* header = SGrid->horizontalHeader();
  const QFontMetrics cells(SGrid->font());
  const QFontMetrics heads(header->font());
  const int rows = std::min(table_.rowCount(), kFitRows + 1);
  for (int c = 0; c < table_.columnCount(); ++c) {
    if (header->isSectionHidden(c) || header->sectionSize(c) == 0) continue;  // hidden by the user
    int width = heads.horizontalAdvance(platform::fromUtf8(table_.cell(c, 0))) + kHeaderTextMargin;
    size_t longest = 0;
    int longestRow = -1;
    // The longest text by bytes stands for the widest; measuring each would be slow.
    for (int r = 1; r < rows; ++r)
      if (table_.cell(c, r).size() > longest) longest = table_.cell(c, r).size(), longestRow = r;
    std::string scratch;
    if (longestRow > 0)
      width = std::max(width, cells.horizontalAdvance(oneLineText(boundedCellText(
                                  SGrid->tableModel()->dates().shown(table_, c, longestRow, scratch)))) +
                                  kHeaderTextMargin);
    header->resizeSection(c, std::clamp(width, 24, kMaxFitWidth));
  }
}

void MainWindow::updateTitle() {
  // The version comes from the build; a language file of an older release
  // may still hold a whole title of its own, which is shown as it is.
  const QString program = platform::fromUtf8(
      replacePlaceholder(platform::toUtf8(text("frmGedComIm", "Rowsmith V%s")), ROWSMITH_VERSION));
  setWindowTitle(shownFile_.isEmpty() ? program : QFileInfo(shownFile_).fileName() + " - " + program);
}

QString MainWindow::statusText() const {
  const int rows = SGrid->tableModel()->filtered() ? SGrid->tableModel()->rowCount()
                                                    : (persons_ > 0 ? std::max(table_.rowCount() - 1, 0) : 0);
  return text("StatusLine", "%1 Zeilen · %2 Personen")
      .arg(platform::fromUtf8(groupedNumber(rows)), platform::fromUtf8(groupedNumber(persons_)));
}

void MainWindow::updateStatus() { findBar->lblStatus->setText(statusText()); }

void MainWindow::translateTexts() {
  // The window's own controls; the open dialog's come with the toolkit.
  for (QWidget* part : {static_cast<QWidget*>(pnlButton), static_cast<QWidget*>(findBar)})
    TranslateComponent(NLS(), objectName().toStdString(), part);
  updateTitle();
  mnuMain->actions().at(0)->setText(text("mnuEdit", "&Bearbeiten"));
  mnuMain->actions().at(1)->setText(text("mnuLanguage", "&Sprache"));
  actUndo->setText(text("actUndo", "&Rückgängig (Zelle leeren)"));
  findChild<QAction*>("actLanguageNote")->setText(text("actLanguageNote", "Gilt ab dem nächsten Start"));
  actGerman->setChecked(NLS().language() == 49);
  actEnglish->setChecked(NLS().language() == 44);
  updateStatus();
  {
    TableChange change(SGrid->tableModel());
    writeHeaders();
  }
  memClientTopTop->setPlainText(
      platform::fromUtf8(NLS().GetNLSText("frmGedComIm", "WelcomeText", welcomeText())).replace("\r\n", "\n"));
}

void MainWindow::writeHeaders() {
  const std::vector<std::string> headers = translatedResultHeaders(NLS());
  for (int c = 0; c < kResultColumns; ++c) table_.setCell(c, 0, headers[static_cast<size_t>(c)]);
}

void MainWindow::resetSortState() {
  sortPressColumn_ = -1;
  sortKeys_.clear();
  if (SGrid) SGrid->horizontalHeader()->viewport()->update();
}

void MainWindow::btnGoClick() {
  const QString gedcomFilter =
      platform::fromUtf8(NLS().GetNLSText("CommonTXT", "GedComFileFilter", "GEDCOM-Dateien"));
  const QString allFilter =
      platform::fromUtf8(NLS().GetNLSText("CommonTXT", "AllFileFilter", "Alle Dateien"));
  const QStringList filters{gedcomFilter + " (*.ged)", allFilter + " (*)"};
  gedcomOpenDialog->setNameFilters(filters);
  gedcomOpenDialog->selectNameFilter(filters.constFirst());
  // First the program's folder, later the folder of the file chosen last.
  if (!openDialogUsed_)
    gedcomOpenDialog->setDirectory(QString::fromStdString(executableFolder()));
  else
    gedcomOpenDialog->setDirectory(lastOpenFolder_.isEmpty() ? QDir::currentPath() : lastOpenFolder_);
  openDialogUsed_ = true;

  const QString fileName = fileChooser_ ? fileChooser_(*gedcomOpenDialog) : runOpenDialog(*gedcomOpenDialog);
  if (fileName.isEmpty()) return;
  lastOpenFolder_ = QFileInfo(fileName).absolutePath();

  importFile(fileName);
}

std::optional<BackgroundImport> MainWindow::runImport(const QString& fileName) {
  if (importRunning_) return std::nullopt;
  importRunning_ = true;
  for (QWidget* part : std::initializer_list<QWidget*>{pnlClient, findBar, pnlButton}) part->setEnabled(false);
  BackgroundImport run;
  {
    platform::BusyCursor busy;
    run = importInBackground(this, QFile::encodeName(fileName).toStdString(),
                             [this](ImportProgress* progress) { runningImport_ = progress; });
  }
  for (QWidget* part : std::initializer_list<QWidget*>{pnlClient, findBar, pnlButton}) part->setEnabled(true);
  importRunning_ = false;
  if (closeAfterImport_) {
    // The user closed the window during the run: it was cancelled, now the window goes.
    QTimer::singleShot(0, this, [this] { close(); });
    return std::nullopt;
  }
  if (!run.failure.empty()) {
    // An exception must not leave the event loop: the run ends, the user
    // learns why, the program goes on with the table it showed.
    platform::showPlainMessage(run.failure);
    return std::nullopt;
  }
  const std::string shownName = platform::toUtf8(QDir::toNativeSeparators(fileName));
  switch (run.outcome.status) {
    case ImportStatus::Imported:
      return run;
    case ImportStatus::NotGedcom:
      platform::showPlainMessage(replacePlaceholder(
          NLS().GetNLSText("Errors", "NotGedcom", "%s ist keine GEDCOM-Datei"), shownName));
      break;
    case ImportStatus::NoPersons:
      platform::showPlainMessage(replacePlaceholder(
          NLS().GetNLSText("Errors", "NoPersons", "%s enthält keine Personen"), shownName));
      break;
    case ImportStatus::CannotOpen:
    case ImportStatus::ReadFailed:
      if (!run.outcome.cause.empty()) platform::showPlainMessage(causeText(run.outcome.cause));
      break;
    case ImportStatus::Cancelled:
      break;
  }
  return std::nullopt;
}

bool MainWindow::importFile(const QString& fileName) {
  std::optional<BackgroundImport> run = runImport(fileName);
  if (!run) return false;
  shownFile_ = QFileInfo(fileName).absoluteFilePath();
  persons_ = static_cast<long long>(run->outcome.persons);
  recentFiles_.remember(shownFile_);
  adoptTable(std::move(run->table));
  updateTitle();
  updateStatus();
  std::string message = replacePlaceholder(
      NLS().GetNLSText("Information", "PersonsImported", importedMessage(0).replace(0, 1, "%s")),
      groupedNumber(persons_));
  // A byte 26 ends a file; text after it is not lost without a word.
  if (run->outcome.textAfterEndByteLine > 0)
    message.append(" ").append(replacePlaceholder(NLS().GetNLSText("Information", "TextAfterEndOfFile",
                                                                   "Zeile %s enthält das Dateiende-Zeichen (Byte 26); "
                                                                   "der Text danach wurde nicht gelesen."),
                                                  std::to_string(run->outcome.textAfterEndByteLine)));
  platform::showPlainMessage(message);
  return true;
}

void MainWindow::adoptTable(StringTable table) {
  const int column = std::max(SGrid->currentColumn(), 0);
  {
    TableChange change(SGrid->tableModel());
    table_ = std::move(table);
    // The grid always keeps one data row below its header.
    if (table_.rowCount() < 2) table_.setRowCount(2);
    writeHeaders();
    rowsmith::localizeSexCells(table_, NLS());
  }
  SGrid->forgetClearedCells();
  actUndo->setEnabled(false);
  findBar->clearFind();
  fitColumnWidths();
  resetSortState();
  SGrid->setCurrentCell(column, 1);
  // The user has come for the rows.
  SGrid->setFocus();
  findBar->reapplyFilter(false);
}

void MainWindow::rbtDateFormClick() {
  // The table keeps each date in one form and the grid shows it in the
  // other: rows, their order, the selection and cleared cells all stay.
  const int column = std::max(SGrid->currentColumn(), 0);
  const int row = SGrid->currentTableRow();
  SGrid->tableModel()->setDateForm(rbtWesternDate->isChecked() ? DateForm::Western : DateForm::Sortable);
  // A filter text may match a date in one form only.
  if (SGrid->tableModel()->filtered()) findBar->reapplyFilter(false);
  if (row >= 1) SGrid->setCurrentCell(column, row);
}

bool MainWindow::openRecentFile(const QString& file) {
  if (QFileInfo::exists(file)) return importFile(file);
  const std::string question =
      replacePlaceholder(NLS().GetNLSText("frmGedComIm", "RecentMissing",
                                          "Die Datei \"%s\" gibt es nicht mehr. Aus der Liste der letzten "
                                          "Dateien entfernen?"),
                         platform::toUtf8(QDir::toNativeSeparators(file)));
  if (ShowQuestion(question, this) == mrYes) recentFiles_.forget(file);
  return false;
}

void MainWindow::fillRecentMenu() {
  mnuRecent->clear();
  const QStringList files = recentFiles_.files();
  if (files.isEmpty()) {
    mnuRecent->addAction(text("NoRecentFiles", "(keine)"))->setEnabled(false);
    return;
  }
  for (int i = 0; i < files.size(); ++i) {
    const QString file = files.at(i);
    QAction* action = mnuRecent->addAction(QString("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(file)));
    connect(action, &QAction::triggered, this, [this, file] {
      // After the menu has closed: the import runs an event loop of its own.
      QTimer::singleShot(0, this, [this, file] { openRecentFile(file); });
    });
  }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!importRunning_ && urls.size() == 1 && urls.constFirst().isLocalFile()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (importRunning_ || urls.size() != 1 || !urls.constFirst().isLocalFile()) return;
  event->acceptProposedAction();
  const QString file = urls.constFirst().toLocalFile();
  // The drag source waits for the drop to end; the import comes after.
  QTimer::singleShot(0, this, [this, file] { importFile(file); });
}

ExportDialog* MainWindow::exportDialog() {
  if (!exportDialog_) exportDialog_ = new ExportDialog(this);
  return exportDialog_;
}

void MainWindow::btnClientClientExportClick() {
  reportingFailure([this] {
    ExportTable exportTable = SGrid->exportTable();
    ExecuteExportDialog(*exportDialog(), exportTable.table, std::move(exportTable.columnWidths),
                        std::move(exportTable.resultColumns));
  });
  // The keyboard works in the window again at once.
  activateWindow();
  SGrid->setFocus();
}

void MainWindow::FormClose() {
  ProductInfoDialog productInfo(this);
  ShowProductInfo(productInfo);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The window cannot go while a run is writing into its table: the run is
  // cancelled, as by the progress dialog's button, and the window closes
  // once it has stopped.
  if (importRunning_) {
    closeAfterImport_ = true;
    if (runningImport_) runningImport_->cancel();
    event->ignore();
    return;
  }
  saveWindowState();
  FormClose();
  event->accept();
}

MainWindow::GridCell MainWindow::cellAt(int x, int y) const {
  const QHeaderView* header = SGrid->horizontalHeader();
  const QRect headerArea = header->geometry();
  const QRect cellArea = SGrid->viewport()->geometry();
  GridCell cell;
  int areaLeft = 0;
  if (!header->isHidden() && headerArea.contains(x, y)) {
    cell.row = 0;
    areaLeft = headerArea.left();
  } else if (cellArea.contains(x, y)) {
    int viewRow = SGrid->rowAt(y - cellArea.top());
    if (viewRow < 0) return {};
    cell.row = viewRow + 1;
    areaLeft = cellArea.left();
  } else {
    return {};
  }
  cell.column = header->logicalIndexAt(x - areaLeft);
  if (cell.column < 0) return {};
  cell.left = areaLeft + header->sectionViewportPosition(cell.column);
  cell.right = cell.left + header->sectionSize(cell.column);
  return cell;
}

void MainWindow::SGridMouseDown(Qt::MouseButton, int x, int y) {
  sortPressColumn_ = cellAt(x, y).column;
  columnMovedSincePress_ = false;
}

void MainWindow::SGridMouseUp(Qt::MouseButton, int x, int y) {
  const GridCell cell = cellAt(x, y);
  const int width = cell.right - cell.left;
  // Near a border the user resizes the column; after a drag it has moved.
  const bool sort = cell.column >= 0 && cell.column == sortPressColumn_ && cell.row == 0 &&
                    !columnMovedSincePress_ && cell.left + width / 10 < x &&
                    x < cell.right - width / 10;
  if (sort) {
    platform::BusyCursor busy;
    sortKeys_.click(cell.column, shiftDown_ && shiftDown_());
    SortGrid(sortKeys_.keys(), sortKeys_.descending());
    SGrid->horizontalHeader()->viewport()->update();
  }
  sortPressColumn_ = -1;
  columnMovedSincePress_ = false;
}

void MainWindow::SortGrid(std::span<const int> keys, bool descending) {
  const int column = std::max(SGrid->currentColumn(), 0);
  const int selectedRow = SGrid->currentTableRow();
  int row = selectedRow;
  reportingFailure([&] {
    RowOrderChange change(SGrid->tableModel());
    const std::vector<std::string> before = SGrid->clearedCellRows();
    row = SortTableKeepingRow(table_, keys, descending, selectedRow, SGrid->tableModel()->dates());
    SGrid->followClearedCells(before);
  });
  // The filter names rows by position, which the sort has changed.
  findBar->reapplyFilter(false);
  SGrid->setCurrentCell(column, row);
}

QString MainWindow::headerTip(int column) const {
  const int rank = sortKeys_.rank(column);
  if (rank < 0)
    return text("HeaderTipShiftClick",
                "Klick: sortieren, nochmals: umkehren; Umschalt+Klick: diese Spalte wird erster Schlüssel, "
                "die bisherigen entscheiden bei Gleichstand");
  const QString direction = sortKeys_.descending() ? text("HeaderTipDescending", "absteigend")
                                                   : text("HeaderTipAscending", "aufsteigend");
  return text("HeaderTipKey", "Sortierschlüssel %1 von %2, %3").arg(rank + 1).arg(sortKeys_.count()).arg(direction);
}

QString MainWindow::headerMark(int column) const {
  const int rank = sortKeys_.rank(column);
  if (rank < 0) return {};
  return QString::number(rank + 1) + (sortKeys_.descending() ? QChar(0x25BC) : QChar(0x25B2));
}

QColor MainWindow::headerColour(int column) const {
  const int rank = sortKeys_.rank(column);
  return rank < 0 ? QColor() : kKeyColours[rank];
}

void MainWindow::SGridKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (key == Qt::Key_Delete &&
      !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
    if (SGrid->clearCurrentCell()) actUndo->setEnabled(true);
}

bool MainWindow::undoClear() {
  const bool undone = SGrid->undoClear();
  actUndo->setEnabled(SGrid->canUndoClear());
  return undone;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (!SGrid || (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
                 type != QEvent::KeyPress))
    return QWidget::eventFilter(watched, event);
  const bool gridArea = watched == SGrid->viewport() || watched == SGrid->horizontalHeader()->viewport();
  if (gridArea && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint point = static_cast<QWidget*>(watched)->mapTo(SGrid, mouse->position().toPoint());
    if (event->type() == QEvent::MouseButtonPress)
      SGridMouseDown(mouse->button(), point.x(), point.y());
    else
      SGridMouseUp(mouse->button(), point.x(), point.y());
  } else if (watched == SGrid && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete) {
      SGridKeyDown(key->key(), key->modifiers());
      return true;
    }
    if (key->matches(QKeySequence::Copy)) {
      SGrid->copySelection();
      return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
      showRowDetails();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::createShortcuts() {
  auto shortcut = [this](QKeySequence keys, QWidget* context, std::function<void()> action) {
    auto* made = new QShortcut(keys, context);
    made->setContext(context == this ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut);
    connect(made, &QShortcut::activated, this, [this, action] {
      if (!importRunning_) action();
    });
  };
  shortcut(QKeySequence::Open, this, [this] { btnGoClick(); });
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this, [this] { btnClientClientExportClick(); });
  shortcut(QKeySequence::Find, this, [this] { findBar->showFind(); });
  shortcut(QKeySequence(Qt::Key_F3), this, [this] { findBar->findNext(false); });
  shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this, [this] { findBar->findNext(true); });
  shortcut(QKeySequence(Qt::Key_Escape), findBar, [this] { findBar->leaveFind(); });
}

void MainWindow::showRowDetails() {
  const int row = SGrid->currentTableRow();
  if (row < 1) return;
  TfrmRowDetails details(table_, SGrid->tableModel()->dates(), row, this);
  details.exec();
}

}  // namespace rowsmith
