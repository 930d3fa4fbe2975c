#pragma once
// The export dialog: a preview of the export table, the list of columns to
// export, separator, enclosing text, line break and destination. Its options
// live in DEFAULTS.INI, section "SaveToForm": read at every opening, written
// back only after a successful export.
#include <string>
#include <vector>

#include <QDialog>

#include "export/exportsettings.h"
#include "kernel/stringtable.h"
#include "ui/resultgrid.h"

class QCheckBox;
class QGroupBox;
class QLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace rowsmith {

// The width every export-table column gets unless the caller says otherwise.
// Whether formulas are written as they are, in section "SaveToForm".
inline constexpr char kKeepFormulasKey[] = "KeepFormulas";

class ExportDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ExportDialog(QWidget* parent = nullptr);

  // Everything before the dialog is shown: translation, preview, column
  // list, the options from DEFAULTS.INI. columnWidths holds one width per
  // table column (missing entries: kExportColumnWidth); a column of width 0
  // or less is hidden: not listed and not exported.
  // resultColumns[c] is the result column export column c shows (-1 for
  // the row numbers); the workbook decides its cell kinds by it.
  void Prepare(StringTable& exportTable, std::vector<int> columnWidths = {}, std::vector<int> resultColumns = {});
  // Writes every option back to DEFAULTS.INI in one replacement of the file.
  bool WriteSettings();

  // Handlers.
  void clbClientBottomLeftClientClickCheck();
  void btnClientBottomClientClientSaveToFileSeekClick();
  void btnClientBottomClientClientGOClick();

  // DEFAULTS.INI in SysDataPath() unless set.
  std::string settingsFileName() const;
  void setSettingsFileName(std::string fileName) { settingsFile_ = std::move(fileName); }

  // For the program's tests and screenshots: the preview width of column c
  // (0 = hidden, not exported) and the displayed widgets.
  int previewWidth(int column) const { return previewWidths_.at(static_cast<size_t>(column)); }
  QTableWidget* preview() const { return sgrClientTop; }
  // The text the export writes for the first rows, control characters shown
  // as marks; each written line break also ends a line here.
  QString previewText() const;
  QListWidget* columnList() const { return clbClientBottomLeftClient; }
  // The control of an export option by its settings key ("AddCharDouble").
  QRadioButton* option(const char* key) const;
  QLineEdit* textField(const char* key) const;

 protected:
  void reject() override;

 private:
  void buildControls();
  QLayout* buildPreview();
  QLayout* buildColumnList();
  QLayout* buildOptionGroups();
  QLayout* buildButtons();
  ExportSettingValues currentSettings() const;
  // The options the dialog shows, the formula choice included.
  ExportOptions currentOptions() const;
  void setOption(QRadioButton* option, bool selected);
  void setPreviewWidth(int column, int width);
  // mrOk when delivered; mrNone leaves the dialog open after the user was
  // told why, with focus for the field to mend.
  int deliver();
  void exportedColumns(std::vector<int>& order, bool& rowNumbers) const;
  std::vector<bool> previewWidthsExported() const;
  // The name with the extension of what is written, when it lacks one.
  QString targetWithExtension(const QString& fileName, bool workbook, bool csv) const;
  // Why target cannot be written, in words, before trying; empty when it may.
  std::string targetProblem(const QString& fileName) const;
  void countTransliteratedCells();
  size_t transliteratedCells() const;
  void updatePreviewText();
  void checkAllColumns(bool checked);
  // The result column item k of the column list shows; -1 for none.
  int resultColumnOfItem(int item) const;
  // By column key, so the choice survives a change of language.
  std::vector<std::string> uncheckedColumnNames() const;
  int reportBuildFailure();

  // The export table, its dates already in the form the grid shows.
  StringTable* table_ = nullptr;
  std::vector<int> tableWidths_;
  std::vector<int> previewWidths_;
  std::vector<std::string> previewHeaders_;
  std::vector<std::string> itemTexts_;
  std::string settingsFile_;
  // The widget of each stored setting, in the order of exportSettingKeys().
  struct SettingWidget {
    QRadioButton* option;
    QLineEdit* edit;
  };
  std::vector<SettingWidget> settingWidgets_;
  // The option groups, each with its box, in the order laid out.
  std::vector<std::pair<ExportGroup, QGroupBox*>> optionGroups_;
  std::vector<int> resultColumns_;
  bool storedRowCounts_ = true;
  std::vector<size_t> transliterated_;  // per column, cells Windows-1252 lacks letters for
  QWidget* failedField_ = nullptr;

 public:
  // Controls under the names the language file knows them by.
  QLabel* pnlClientTop;
  QTableWidget* sgrClientTop;
  QLabel* pnlClientBottomLeftTop;
  QListWidget* clbClientBottomLeftClient;
  QPushButton* btnClientBottomLeftBottomAll;
  QPushButton* btnClientBottomLeftBottomNone;
  QLabel* pnlClientTopBottom;
  QPlainTextEdit* memClientTopBottom;
  QLabel* pnlClientBottomClientTop;
  // The option groups and their controls come from exportSettingKeys().
  QRadioButton* btnClientBottomClientClientSaveToClipboard;
  QRadioButton* btnClientBottomClientClientSaveToFile;
  QLineEdit* edtClientBottomClientClientSaveToFile;
  QRadioButton* btnClientBottomClientClientSaveToWorkbook;
  QPushButton* btnClientBottomClientClientSaveToFileSeek;
  QCheckBox* chkClientBottomClientClientKeepFormulas;
  QPushButton* btnClientBottomClientClientGO;
  QPushButton* btnClientBottomClientClientCancel;
};

// Prepares and shows the dialog modally; after a successful export (result
// 1) the options are written back. Returns the dialog result (1 or 2). The
// table is the caller's throw-away copy: the export may change its cells.
int ExecuteExportDialog(ExportDialog& dialog, StringTable& exportTable,
                        std::vector<int> columnWidths = {}, std::vector<int> resultColumns = {});

}  // namespace rowsmith
