#include "ui/gedcomim.h"

#include <algorithm>
#include <exception>

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "ui/savetoform.h"
#include "import/importrun.h"
#include "kernel/folders.h"
#include "kernel/sortengine.h"
#include "nls/inifile.h"
#include "nls/nlssupport.h"
#include "ui/toolswerbungform.h"
#include "ui/importprogress.h"
#include "platform/platform.h"
#include "ui/resultgrid.h"

namespace rowsmith {

namespace {

constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 600;
constexpr int kButtonPanelHeight = 41;
constexpr int kWelcomeHeight = 184;
constexpr int kSplitterWidth = 8;

const QColor kKeyColours[kMaxShiftSortKeys] = {
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

// Puts a receiver of the core's messages in place for one run.
class MessagesInstalled {
 public:
  explicit MessagesInstalled(UserMessages* messages) : previous_(setUserMessages(messages)) {}
  ~MessagesInstalled() { setUserMessages(previous_); }
  MessagesInstalled(const MessagesInstalled&) = delete;
  MessagesInstalled& operator=(const MessagesInstalled&) = delete;

 private:
  UserMessages* previous_;
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

QString runOpenDialog(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace

const std::string& welcomeText() {
  static const std::string text =
      "Willkommen zum Konvertierer von GedCom-Dateien zu beliebig separierten Tabellen!\r\n\r\n"
      "Um eine GedCom-Datei mit Personendaten zu konvertieren, \xF6" "ffnen Sie diese Datei "
      "(Spaltfl\xE4" "che \"Go!\" unten links) und exportieren nach dem erfolgreichen Einlesen "
      "die Daten in eine Datei oder in die Zwischenablage (Schaltfl\xE4" "che \"Export\" unten "
      "links). \r\n\r\n"
      "Partner werden immer so dargestellt, dass die Daten des weiblichen Teils, also der mit "
      "dem Zusatz \"(Partner)\" in der \xDC" "berschrift, rechts im Gitter gesetzt werden und die "
      "Daten des m\xE4" "nnlichen Teils in der gleichen Zeile ohne diesen Zusatz links. Um die "
      "Ansicht homogen zu halten, werden auch weibliche Personen ohne Partner rechts "
      "aufgef\xFC" "hrt.\r\n\r\n"
      "Personen k\xF6" "nnen \xF6" "fter vorkommen, wenn diese mehrfach verheiratet sind. Die "
      "Liste kann durch Mausklick auf die \xDC" "berschrift sortiert werden, eine "
      "Mehrfachsortierung wird durch das Halten der \"Schift\"-Taste erm\xF6" "glicht.";
  return text;
}

TfrmGedComIm::TfrmGedComIm(QWidget* parent)
    : QWidget(parent), table_(makeResultTable()), shiftDown_(platform::isShiftDown) {
  setObjectName("frmGedComIm");
  setWindowTitle("Rowsmith V1.0.3.7");
  resize(kWindowWidth, kWindowHeight);
  createControls();
  FormCreate();
}

TfrmGedComIm::~TfrmGedComIm() {
  // The grid reads the table until it is gone; the table is a member and
  // dies before the children that QWidget deletes. The pointer is cleared
  // first: the event filter still sees the grid's events while it is torn down.
  auto* grid = SGrid;
  SGrid = nullptr;
  delete grid;
}

void TfrmGedComIm::createControls() {
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

  pnlButton = makePanel("pnlButton", this);
  pnlButton->setFixedHeight(kButtonPanelHeight);
  auto* buttonLayout = new QHBoxLayout(pnlButton);
  buttonLayout->setContentsMargins(4, 2, 4, 2);
  buttonLayout->setSpacing(8);
  btnGo = new QPushButton("Go!", pnlButton);
  btnGo->setObjectName("btnGo");
  btnGo->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  btnClientClientExport = new QPushButton("Export", pnlButton);
  btnClientClientExport->setObjectName("btnClientClientExport");
  btnClientClientExport->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  for (QPushButton* button : {btnGo, btnClientClientExport}) {
    button->setFixedWidth(140);
    button->setMinimumHeight(kButtonPanelHeight - 8);
    buttonLayout->addWidget(button);
  }
  buttonLayout->addSpacing(32);
  auto* dateLayout = new QVBoxLayout();
  dateLayout->setSpacing(0);
  // Both radio buttons share their parent, which makes them one group.
  rbtWesternDate = new QRadioButton("Datumsformat \"dd.mm.yyyy\" (21.01.1687)", pnlButton);
  rbtWesternDate->setObjectName("rbtWesternDate");
  rbtWesternDate->setChecked(true);
  rbtUnixDate = new QRadioButton("Datumsformat \"yyyymmdd\" (16870121)", pnlButton);
  rbtUnixDate->setObjectName("rbtUnixDate");
  dateLayout->addWidget(rbtWesternDate);
  dateLayout->addWidget(rbtUnixDate);
  buttonLayout->addLayout(dateLayout);
  buttonLayout->addStretch(1);
  layout->addWidget(pnlButton);

  GetComOpenDialog = new QFileDialog(this);
  GetComOpenDialog->setObjectName("GetComOpenDialog");
  GetComOpenDialog->setFileMode(QFileDialog::ExistingFile);
  GetComOpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
  GetComOpenDialog->setOption(QFileDialog::HideNameFilterDetails);

  connect(btnGo, &QPushButton::clicked, this, [this] { btnGoClick(); });
  connect(btnClientClientExport, &QPushButton::clicked, this, [this] { btnClientClientExportClick(); });
  SGrid->resultHeader()->setSectionColour([this](int column) { return headerColour(column); });
  connect(SGrid->horizontalHeader(), &QHeaderView::sectionMoved, this,
          [this] { columnMovedSincePress_ = true; });
  SGrid->installEventFilter(this);
  SGrid->viewport()->installEventFilter(this);
  SGrid->horizontalHeader()->viewport()->installEventFilter(this);
}

void TfrmGedComIm::FormCreate() {
  forceDirectories(NLSPath());
  forceDirectories(SysDataPath());
  {
    TIniFile settings(SysDataPath() + "DEFAULTS.INI");
    if (!settings.ReadString("Language", "Main", "").empty())
      NLS().SetLanguage(settings.ReadInteger("Language", "ID", -1));
    else
      NLS().SetLanguage(49);
  }
  {
    TableChange change(SGrid->tableModel());
    const char* const* headers = ResultHeaders();
    for (int c = 0; c < kResultColumns; ++c) table_.setCell(c, 0, headers[c]);
  }
  QString welcome = platform::fromCp1252(welcomeText());
  welcome.replace("\r\n", "\n");
  memClientTopTop->setPlainText(welcome);
  resetSortState();
  SGrid->setCurrentCell(0, 1);
}

void TfrmGedComIm::resetSortState() {
  SortMouseDownCol = -1;
  SortCol = -1;
  SortKeyCount = -1;
  SortDescending = false;
  SortKeys.fill(-1);
  if (SGrid) SGrid->horizontalHeader()->viewport()->update();
}

void TfrmGedComIm::mnuClearAllClick() {
  TableChange change(SGrid->tableModel());
  for (int row = 1; row < table_.rowCount(); ++row) table_.clearRow(row);
}

void TfrmGedComIm::btnGoClick() {
  const QString gedcomFilter =
      platform::fromCp1252(NLS().GetNLSText("CommonTXT", "GedComFileFilter", "GedCom Dateien"));
  const QString allFilter =
      platform::fromCp1252(NLS().GetNLSText("CommonTXT", "AllFileFilter", "Alle Dateien"));
  const QStringList filters{gedcomFilter + " (*.ged)", allFilter + " (*)"};
  GetComOpenDialog->setNameFilters(filters);
  GetComOpenDialog->selectNameFilter(filters.constFirst());
  // First the program's folder, later the folder of the file chosen last.
  if (!openDialogUsed_)
    GetComOpenDialog->setDirectory(QString::fromStdString(executableFolder()));
  else
    GetComOpenDialog->setDirectory(lastOpenFolder_.isEmpty() ? QDir::currentPath() : lastOpenFolder_);
  openDialogUsed_ = true;

  const QString fileName = fileChooser_ ? fileChooser_(*GetComOpenDialog) : runOpenDialog(*GetComOpenDialog);
  if (fileName.isEmpty()) return;
  lastOpenFolder_ = QFileInfo(fileName).absolutePath();

  platform::BusyCursor busy;
  mnuClearAllClick();
  resetSortState();
  const int column = std::max(SGrid->currentColumn(), 0);
  ImportProgress progress(this);
  {
    MessagesInstalled installed(&progress);
    TableChange change(SGrid->tableModel());
    try {
      const ImportOutcome outcome = importGedcom(QFile::encodeName(fileName).toStdString(),
                                                 rbtWesternDate->isChecked(), table_, progress);
      if (outcome.imported()) progress.showMessage(importedMessage(outcome.persons));
      else if (!outcome.cause.empty()) progress.showMessage(outcome.cause);
    } catch (const std::exception& error) {
      // An exception must not leave the event loop: the run ends, the user
      // learns why, the program goes on.
      progress.finish();
      platform::showPlainMessage(error.what());
    }
    // The grid always keeps one data row below its header.
    if (table_.rowCount() < 2) table_.setRowCount(2);
  }
  progress.finish();
  SGrid->setCurrentCell(column, 1);
}

ExportTable TfrmGedComIm::makeExportTable() const {
  const QHeaderView* header = SGrid->horizontalHeader();
  const int columns = table_.columnCount();
  const int rows = table_.rowCount();
  std::vector<int> shown(static_cast<size_t>(columns));
  for (int visual = 0; visual < columns; ++visual) shown[static_cast<size_t>(visual)] = header->logicalIndex(visual);

  ExportTable result{StringTable(columns + 1), {}};
  result.table.setRowCount(rows);
  result.columnWidths.push_back(kExportColumnWidth);
  for (int logical : shown) {
    const bool hidden = header->isSectionHidden(logical) || header->sectionSize(logical) == 0;
    result.columnWidths.push_back(hidden ? 0 : kExportColumnWidth);
  }
  for (int row = 0; row < rows; ++row) {
    if (row > 0) result.table.setCell(0, row, std::to_string(row));
    for (int c = 0; c < columns; ++c) result.table.setCell(c + 1, row, table_.cell(shown[static_cast<size_t>(c)], row));
  }
  return result;
}

TfrmSaveToForm* TfrmGedComIm::saveToForm() {
  if (!saveToForm_) saveToForm_ = new TfrmSaveToForm(this);
  return saveToForm_;
}

void TfrmGedComIm::btnClientClientExportClick() {
  reportingFailure([this] {
    ExportTable exportTable = makeExportTable();
    ExecuteSaveToForm(*saveToForm(), exportTable.table, std::move(exportTable.columnWidths));
  });
}

void TfrmGedComIm::FormClose() {
  TfrmToolsWerbungForm productInfo(this);
  ShowProductInfo(productInfo);
}

void TfrmGedComIm::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

TfrmGedComIm::GridCell TfrmGedComIm::cellAt(int x, int y) const {
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

void TfrmGedComIm::SGridMouseDown(Qt::MouseButton, int x, int y) {
  SortMouseDownCol = cellAt(x, y).column;
  columnMovedSincePress_ = false;
}

void TfrmGedComIm::SGridMouseUp(Qt::MouseButton, int x, int y) {
  const GridCell cell = cellAt(x, y);
  const int width = cell.right - cell.left;
  // Near a border the user resizes the column; after a drag it has moved.
  const bool sort = cell.column >= 0 && cell.column == SortMouseDownCol && cell.row == 0 &&
                    !columnMovedSincePress_ && cell.left + width / 10 < x &&
                    x < cell.right - width / 10;
  if (sort) {
    const int column = cell.column;
    SortDescending = column == SortCol ? !SortDescending : false;
    SortCol = column;
    platform::BusyCursor busy;
    if (shiftDown_ && shiftDown_()) {
      if (SortKeyCount == -1) {
        SortKeyCount = 0;
        SortKeys[0] = column;
      } else if (SortKeys[0] != column) {
        // The newest key decides; the oldest of five falls out.
        SortKeyCount = std::min(SortKeyCount + 1, kMaxShiftSortKeys - 1);
        std::copy_backward(SortKeys.begin(), SortKeys.end() - 1, SortKeys.end());
        SortKeys[0] = column;
      }
      SortGrid(std::span<const int>(SortKeys.data(), static_cast<size_t>(SortKeyCount) + 1), SortDescending);
      MultiSort = true;
    } else {
      SortKeyCount = 0;
      SortKeys = {column, -1, -1, -1, -1};
      const int keys[] = {column};
      SortGrid(keys, SortDescending);
      MultiSort = false;
    }
    SGrid->horizontalHeader()->viewport()->update();
  }
  SortMouseDownCol = -1;
  columnMovedSincePress_ = false;
}

void TfrmGedComIm::SortGrid(std::span<const int> keys, bool descending) {
  const int column = std::max(SGrid->currentColumn(), 0);
  const int selectedRow = SGrid->currentTableRow();
  int row = selectedRow;
  reportingFailure([&] {
    RowOrderChange change(SGrid->tableModel());
    row = SortTableKeepingRow(table_, keys, descending, selectedRow);
  });
  SGrid->setCurrentCell(column, row);
}

QColor TfrmGedComIm::headerColour(int column) const {
  if (column < 0) return {};
  if (MultiSort) {
    for (int k = 0; k <= std::min(SortKeyCount, kMaxShiftSortKeys - 1); ++k)
      if (SortKeys[static_cast<size_t>(k)] == column) return kKeyColours[k];
    return {};
  }
  return column == SortCol ? kKeyColours[0] : QColor();
}

void TfrmGedComIm::SGridKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (key == Qt::Key_Delete &&
      !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
    ClearSelection();
}

void TfrmGedComIm::ClearSelection() {
  const int row = SGrid->currentTableRow();
  const int column = SGrid->currentColumn();
  if (row >= 1 && column >= 0) SGrid->tableModel()->setTableCell(column, row, "");
}

bool TfrmGedComIm::eventFilter(QObject* watched, QEvent* event) {
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
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace rowsmith
