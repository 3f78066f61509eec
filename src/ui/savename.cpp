#include "ui/savename.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/notifier.h"
#include "optimisation/configuration_store.h"

namespace pravel {

savename::savename(QWidget* parent) : QDialog(parent) {
    setWindowTitle(kTitle);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(QString::fromUtf8(kConfigurationNamePrompt), this);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);
    name_ = new QLineEdit(this);
    name_->setObjectName(kNameField);
    layout->addWidget(name_);
    auto* buttons = new QHBoxLayout;
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("OK");
    ok_->setDefault(true);
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("Cancel");
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &savename::onOk);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void savename::onOk() {
    if (accept_configuration_name(name_->text().toStdString())) {
        accept();
        return;
    }
    // The answer to the notice does not matter; the dialog stays open.
    notifier().ask_yes_no(kConfigurationNameMissing);
}

}  // namespace pravel
