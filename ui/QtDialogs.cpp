#include "ui/QtDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace ui {

void QtDialogs::message(const QString &text, const QString &title, const QString &informative)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    // A path from a damaged settings file can be megabytes long; the box
    // would take minutes to lay it out.
    constexpr int longest = 1000;
    box.setInformativeText(informative.size() > longest
                               ? informative.left(longest) + QStringLiteral("…")
                               : informative);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool QtDialogs::question(const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    // exec()'s result is NoButton when the box is closed by done(); the clicked button is reliable.
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

QString QtDialogs::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    QInputDialog box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    box.setWindowModality(Qt::ApplicationModal);
    // Wide enough to show a whole install folder at once.
    const int wanted = box.fontMetrics().horizontalAdvance(defaultText) + 60;
    box.resize(qMax(box.sizeHint().width(), qMin(wanted, 640)), box.sizeHint().height());
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

} // namespace ui
