#include "input_prompt.h"

#include "control_font.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

QString showInputPrompt(const QString &promptText, QWidget *parent)
{
    QDialog dialog(parent);
    // The window's face, also when the prompt has no window to take it from (at start-up).
    dialog.setFont(controlFont());
    // A screen reader reads the dialog's name when the prompt opens, then the field by its
    // label: the program's name, then the prompt, once.
    dialog.setAccessibleName(QGuiApplication::applicationDisplayName());
    auto *label = new QLabel(promptText, &dialog);
    // Some prompts run to several sentences: wrap them rather than stretching the dialog.
    label->setWordWrap(true);
    label->setMinimumWidth(360);
    auto *field = new QLineEdit(&dialog);
    label->setBuddy(field);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(field);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted ? field->text() : QString();
}
