#include "ui/translateform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include "nls/nlssupport.h"
#include "platform/platform.h"

namespace rowsmith {

namespace {

using platform::fromUtf8;
using platform::toUtf8;

class Translator {
 public:
  Translator(TNLS& nls, std::string section, const QObject* component)
      : nls_(nls), section_(std::move(section)), name_(toUtf8(component->objectName())) {}

  QString caption(const QString& current) const { return lookup(name_, current); }
  QString hint(const QString& current) const { return lookup(name_ + "_Hint", current); }

 private:
  QString lookup(const std::string& key, const QString& current) const {
    // An empty default is never looked up, so untitled widgets get no key.
    if (current.isEmpty()) return current;
    return fromUtf8(nls_.GetNLSText(section_, key, toUtf8(current)));
  }

  TNLS& nls_;
  std::string section_;
  std::string name_;
};

// The tab page of a QTabWidget is the widget inside its QStackedWidget.
QTabWidget* tabWidgetOfPage(QWidget* page) {
  auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
  if (!stack) return nullptr;
  auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
  return tabs && tabs->indexOf(page) >= 0 ? tabs : nullptr;
}

void translateItself(const Translator& t, QObject* component) {
  if (auto* action = qobject_cast<QAction*>(component)) {
    action->setText(t.caption(action->text()));
    action->setStatusTip(t.hint(action->statusTip()));
    return;
  }
  auto* widget = qobject_cast<QWidget*>(component);
  if (!widget) return;
  if (widget->isWindow()) {
    widget->setWindowTitle(t.caption(widget->windowTitle()));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(t.caption(label->text()));
  } else if (auto* push = qobject_cast<QPushButton*>(widget)) {
    push->setText(t.caption(push->text()));
    push->setToolTip(t.hint(push->toolTip()));
  } else if (auto* tool = qobject_cast<QToolButton*>(widget)) {
    tool->setText(t.caption(tool->text()));
    if (!qobject_cast<QToolBar*>(tool->parentWidget())) tool->setToolTip(t.hint(tool->toolTip()));
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    combo->setToolTip(t.hint(combo->toolTip()));
  } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
    radio->setText(t.caption(radio->text()));
    radio->setToolTip(t.hint(radio->toolTip()));
  } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
    check->setText(t.caption(check->text()));
    check->setToolTip(t.hint(check->toolTip()));
  } else if (QTabWidget* tabs = tabWidgetOfPage(widget)) {
    int index = tabs->indexOf(widget);
    tabs->setTabText(index, t.caption(tabs->tabText(index)));
    tabs->setTabToolTip(index, t.hint(tabs->tabToolTip(index)));
  }
}

}  // namespace

void TranslateForm(TNLS& nls, QWidget* form) {
  TranslateComponent(nls, toUtf8(form->objectName()), form);
}

void TranslateComponent(TNLS& nls, std::string_view section, QObject* component) {
  std::string trimmedSection = TrimToLetter(section);
  const QObjectList children = component->children();
  for (QObject* child : children) TranslateComponent(nls, trimmedSection, child);
  // Qt's own helper objects (viewports, the page stack of a tab widget) are
  // not part of the dialog's design, though the pages inside them are.
  if (component->objectName().startsWith(QLatin1String("qt_"))) return;
  translateItself(Translator(nls, trimmedSection, component), component);
}

}  // namespace rowsmith
