#pragma once
// The small dialog that asks for the name under which an optimisation run is
// stored. OK with an empty field keeps it open with a notice.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace pravel {

class savename : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Name for data storage";
    static constexpr const char* kNameField = "Name";

    explicit savename(QWidget* parent = nullptr);

    QLineEdit* nameField() const { return name_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    void onOk();

    QLineEdit* name_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace pravel
