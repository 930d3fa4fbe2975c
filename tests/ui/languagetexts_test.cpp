// Every text a window or dialog shows comes from the language file: walked
// in German and in English, each visible text must be a value of that
// language's file, and a German text the same as its English one must be
// one that reads alike in both languages (a name, a code, a number).
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QListWidget>
#include <QRegularExpression>
#include <QTimer>

#include "kernel/folders.h"
#include "kernel/textcodec.h"
#include "nls/inifile.h"
#include "nls/nlssupport.h"
#include "platform/platform.h"
#include "support/testsupport.h"
#include "ui/mainwindow.h"
#include "ui/importprogress.h"
#include "ui/messagedialog.h"
#include "ui/rowdetails.h"
#include "ui/exportdialog.h"
#include "ui/productinfodialog.h"

namespace rowsmith {
namespace {

using Texts = std::map<std::string, std::string>;  // widget path -> shown text

// What a widget shows, by a path that is the same in both languages. Data
// is left out: the preview, a message's text, the details' cells and the
// toolkit's own file dialog.
void collect(QWidget* root, const std::string& form, Texts& texts, bool labels = true) {
  int unnamed = 0;
  auto add = [&](const QObject* owner, const std::string& what, const QString& text) {
    const QString name = owner->objectName().isEmpty() ? QString("#%1").arg(unnamed++) : owner->objectName();
    if (!text.trimmed().isEmpty()) texts[form + "/" + name.toStdString() + "/" + what] = platform::toUtf8(text);
  };
  add(root, "title", root->windowTitle());
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  for (QWidget* widget : widgets) {
    bool data = widget->objectName() == "memClientTopBottom" || widget->objectName() == "Memo" ||
                qobject_cast<QLineEdit*>(widget) || (!labels && qobject_cast<QLabel*>(widget));
    for (QWidget* up = widget; up && !data; up = up->parentWidget()) data = qobject_cast<QFileDialog*>(up) != nullptr;
    if (data) continue;
    // Labels and buttons have a text, boxes and menus a title, read-only text fields their text.
    for (const char* property : {"text", "title", "plainText"})
      if (widget->property(property).isValid() && (property[0] != 'p' || widget->property("readOnly").toBool()))
        add(widget, property, widget->property(property).toString());
    if (auto* list = qobject_cast<QListWidget*>(widget); list && list->count() > 0) add(list, "first", list->item(0)->text());
    for (QAction* action : widget->actions())
      if (!action->isSeparator()) add(action, "text", action->text());
  }
}

// The values of a language file as patterns: %1, %2 and %s stand for anything.
std::vector<QRegularExpression> valuePatterns(const std::string& file) {
  std::string bytes = test::readFileBytes(file);
  if (!isWellFormedUtf8(bytes)) bytes = decodeWindows1252(bytes);  // as the program writes it
  std::vector<QRegularExpression> patterns;
  for (const QString& line : QString::fromStdString(bytes).split(QRegularExpression("\r?\n"))) {
    const qsizetype equals = line.indexOf('=');
    if (line.startsWith('[') || equals < 0) continue;
    const QString value = line.mid(equals + 1).replace("<#13><#10>", "\n").replace("<#10>", "\n");
    const QString pattern = QRegularExpression::escape(value).replace(QRegularExpression("\\\\%[0-9s]"), ".*");
    patterns.emplace_back(QRegularExpression::anchoredPattern(pattern), QRegularExpression::DotMatchesEverythingOption);
  }
  return patterns;
}

class LanguageTexts : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("ROWSMITH_HOME"); }

  // Every window and dialog of the program in one language, with a file imported.
  Texts walk(int language) {
    test::TempDir& home = language == 49 ? german : english;
    setenv("ROWSMITH_HOME", home.path().c_str(), 1);
    EXPECT_TRUE(forceDirectories(home.path() + "NLS/"));
    EXPECT_TRUE(forceDirectories(home.path() + "Quillmere/Sysdata/"));
    if (language == 44)
      test::writeFileBytes(home.path() + "NLS/NLS.44",
                           test::readFileBytes(std::string(ROWSMITH_SOURCE_DIR) + "/data/nls/NLS.44"));
    test::writeFileBytes(home.path() + "Quillmere/Sysdata/DEFAULTS.INI",
                         std::string("[Language]\r\nMain=1\r\nID=").append(std::to_string(language)));
    Texts texts;
    const std::string gedcom = std::string(ROWSMITH_SOURCE_DIR) + "/examples/familie.ged";
    MainWindow window;
    window.setFileChooser([&](QFileDialog&) { return QString::fromStdString(gedcom); });
    window.show();
    window.btnGoClick();
    collect(&window, "main", texts);

    ExportTable table = window.SGrid->exportTable();
    window.exportDialog()->Prepare(table.table, table.columnWidths, table.resultColumns);
    collect(window.exportDialog(), "export", texts);

    TfrmRowDetails details(window.resultTable(), window.SGrid->tableModel()->dates(), 1, &window);
    collect(&details, "details", texts, false);

    MessageDialog message(&window);
    message.PrepareMessage("Rowsmith", "", TMsgDlgType::mtConfirmation,
                           {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel});
    collect(&message, "message", texts);

    ImportProgress progress(&window);
    collect(progress.dialog(), "progress", texts);

    ProductInfoDialog product(&window);
    QTimer::singleShot(0, &product, [&] {
      collect(&product, "product", texts);
      product.accept();
    });
    ShowProductInfo(product);
    return texts;
  }

  test::TempDir german, english;
  platform::ScopedHandler<platform::PlainMessageHandler, platform::setPlainMessageHandler> quiet{
      [](const std::string&) {}};
};

bool matchesAny(const std::string& text, const std::vector<QRegularExpression>& patterns) {
  return std::any_of(patterns.begin(), patterns.end(),
                     [&](const QRegularExpression& p) { return p.match(platform::fromUtf8(text)).hasMatch(); });
}

TEST_F(LanguageTexts, EveryVisibleTextComesFromTheLanguageFile) {
  const Texts inGerman = walk(49);
  const Texts inEnglish = walk(44);
  ASSERT_GT(inEnglish.size(), 60u);
  // The file name in the title and the message's own title are the caller's.
  auto shown = [](const std::string& path, std::string text) {
    if (path == "main/frmGedComIm/title") text = text.substr(text.find(" - ") + 3);
    return text;
  };
  const std::vector<QRegularExpression> englishValues = valuePatterns(english.path() + "NLS/NLS.44");
  const std::vector<QRegularExpression> germanValues = valuePatterns(german.path() + "NLS/NLS.49");
  // Alike in both languages: names, codes, numbers.
  const std::regex alike(
      "(&?Go!|&Export|&Filter:|Rowsmith.*|UTF-8|ASCII - \\(,\\)|CSV \\(EXCEL\\) - \\(;\\)|CR \\+ LF \\(#13#10\\)|"
      "LF \\(#10\\)|ANSI \\(Windows-1252\\)|\\.\\.\\.|Information|Deutsch|English|OK|Person|Partner|https://.*|"
      "[0-9.,: ]*)");
  const std::regex names("Deutsch|English|Rowsmith|[0-9]+%");
  for (const auto& [path, text] : inEnglish) {
    if (path == "message/frmMyMessageDLGForm/title" || std::regex_match(text, names)) continue;
    EXPECT_TRUE(matchesAny(shown(path, text), englishValues)) << path << ": \"" << text << "\" is not in NLS.44";
  }
  for (const auto& [path, text] : inGerman) {
    if (path == "message/frmMyMessageDLGForm/title" || std::regex_match(text, names)) continue;
    EXPECT_TRUE(matchesAny(shown(path, text), germanValues)) << path << ": \"" << text << "\" is not in NLS.49";
    const auto other = inEnglish.find(path);
    if (other != inEnglish.end() && other->second == text) {
      EXPECT_TRUE(std::regex_match(shown(path, text), alike)) << path << ": \"" << text << "\" is the English text";
    }
  }
}

}  // namespace
}  // namespace rowsmith
