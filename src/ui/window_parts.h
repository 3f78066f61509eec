#pragma once
// Small pieces the analysis windows build their controls from. Every control
// is named after its label, so that tests (and accessibility tools) find it.
#include <QString>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace pravel {

QLabel* label(const QString& text, QWidget* parent);
QListWidget* namedList(const QString& name, QWidget* parent);
// A button that is never the dialog's default (Return must not start a run).
QPushButton* namedButton(const QString& name, QWidget* parent);
QLineEdit* namedField(const QString& name, QWidget* parent);
// Replaces the entries of a list.
void fill(QListWidget* list, const std::vector<std::string>& entries);

// The wait cursor for the life of the object, restored however the work ends.
struct WaitCursor {
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace pravel
