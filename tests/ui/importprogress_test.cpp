#include "ui/importprogress.h"

#include <gtest/gtest.h>

#include <QProgressDialog>
#include <QWidget>

namespace rowsmith {
namespace {

TEST(ImportProgress, FollowsPhaseAndPercentAndClosesBeforeTheMessage) {
  QWidget window;
  std::vector<std::string> shown;
  {
    platform::ScopedHandler<platform::PlainMessageHandler, platform::setPlainMessageHandler> plain(
        [&](const std::string& text) { shown.push_back(text); });
    ImportProgress progress(&window);
    auto* dialog = window.findChild<QProgressDialog*>("dlgImportProgress");
    ASSERT_NE(dialog, nullptr);

    progress.showProgress(ImportPhase::Reading, kProgressUnknown);  // a pipe: the bar shows work going on
    EXPECT_EQ(dialog->maximum(), 0);
    progress.showProgress(ImportPhase::Reading, 40);
    EXPECT_EQ(dialog->maximum(), 100);
    progress.showProgress(ImportPhase::Persons, 0);  // a new phase starts again at zero
    progress.showProgress(ImportPhase::Persons, 170);
    EXPECT_EQ(dialog->labelText(), "Personen");
    EXPECT_EQ(dialog->value(), 100);

    dialog->show();
    progress.showMessage("3 Personen importiert!");
    EXPECT_FALSE(dialog->isVisible());
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"3 Personen importiert!"}));
}

}  // namespace
}  // namespace rowsmith
