#pragma once
// Translating a dialog: every caption and hint of its widgets is looked up in
// the language file, keyed by object name, with the current text as default.
#include <string_view>

class QObject;
class QWidget;

namespace rowsmith {

class TNLS;

// section := TrimToLetter(form's object name); translates the form's
// children, then the form's own title.
void TranslateForm(TNLS& nls, QWidget* form);
// Children first (in creation order), then the component itself by kind:
// window title; label text; push button, speed button, radio button, check
// box, menu action and tab page text and hint; tool-bar button text; combo
// box hint only; anything else (group boxes, edit fields, lists) untouched.
void TranslateComponent(TNLS& nls, std::string_view section, QObject* component);

}  // namespace rowsmith
