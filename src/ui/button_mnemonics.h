#pragma once
// Keyboard access for buttons: every push button, check box and radio button
// of a window gets an Alt+letter mnemonic of its own, chosen from its label
// (the first letter of a word where one is free, else another of its letters)
// so that no two controls of one window share a letter and none takes a letter
// of the window's menu bar; as many controls as the letters allow get one.
// A label that already marks its letter keeps it.
// Buttons are found by their object names, not their texts, so the marks
// change nothing for the code that drives them.
#include <QObject>

class QWidget;

namespace pravel {

// Marks the buttons of `window` (a top-level window with everything in it)
// that have no mnemonic yet.
void add_button_mnemonics(QWidget* window);

// Installed on the application: marks the buttons of each window as it is
// shown, and of a document window's frame when a child window is shown in it.
class ButtonMnemonics : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace pravel
