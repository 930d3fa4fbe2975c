#pragma once
// The product information dialog shown once when the main window closes:
// the maker, a text about the family-tree program, and the maker's web
// address, all translated through section "frmToolsWerbungForm".
#include <string>

#include <QDialog>

class QLabel;
class QTextEdit;
class QPushButton;

namespace rowsmith {

class ProductInfoDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ProductInfoDialog(QWidget* parent = nullptr);

  // Opens the address label's caption followed by "?Tool".
  void lblWebAddressClick();

  QTextEdit* memo() const { return Memo; }
  QPushButton* okButton() const { return BitBtn1; }
  // The memo's text with CR LF line breaks.
  std::string memoText() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* Image;
  QLabel* lblSoftwareI;
  QLabel* lblSoftwareII;
  QLabel* lblSoftwareIII;
  QTextEdit* Memo;
  QLabel* lblVisit;
  QLabel* lblWebAddress;
  QPushButton* BitBtn1;

  friend int ShowProductInfo(ProductInfoDialog& dialog);
};

// Translates the dialog, fills the memo from key "Werbetext" and shows it
// modally; returns the dialog result.
int ShowProductInfo(ProductInfoDialog& dialog);

}  // namespace rowsmith
