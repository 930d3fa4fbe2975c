#include "ui/productinfodialog.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include "nls/nlssupport.h"
#include "support/testsupport.h"
#include "platform/platform.h"

namespace rowsmith {
namespace {

TEST(ProductDialog, AnEditedFileReplacesTextsAndTheLinkFollowsTheCaption) {
  const TNLS saved = NLS();
  test::TempDir dir;
  NLS().setLanguageFolder(dir.path());
  NLS().SetLanguage(49);
  test::writeFileBytes(dir.file("NLS.49"),
                       "[frmToolsWerbungForm]\r\nWerbetext=Zeile eins<#13><#10>Zeile zwei\r\n"
                       "lblWebAddress=https://mirror.example.org/start\r\n");
  ProductInfoDialog dialog;
  QTimer::singleShot(0, &dialog, [&] { dialog.okButton()->click(); });
  EXPECT_EQ(ShowProductInfo(dialog), 1);
  EXPECT_EQ(dialog.memo()->toPlainText(), "Zeile eins\nZeile zwei");
  QString opened;
  {
    platform::ScopedHandler<platform::OpenUrlHandler, platform::setOpenUrlHandler> url(
        [&](const QString& address) { opened = address; });
    dialog.lblWebAddressClick();
  }
  NLS() = saved;
  EXPECT_EQ(opened, "https://mirror.example.org/start?Tool");
}

}  // namespace
}  // namespace rowsmith
