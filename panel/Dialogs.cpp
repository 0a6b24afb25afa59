#include "Dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>

void QtDialogs::criticalMessage(QWidget *owner, const QString &text, const QString &title)
{
    QMessageBox::critical(owner, title, text, QMessageBox::Ok);
}

void QtDialogs::warningMessage(QWidget *owner, const QString &text, const QString &title)
{
    QMessageBox::warning(owner, title, text, QMessageBox::Ok);
}

QString QtDialogs::inputBox(QWidget *owner, const QString &prompt, const QString &title,
                            const QString &defaultText)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(owner, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

void QtDialogs::popupMenu(QMenu *menu, const QPoint &globalPos)
{
    menu->exec(globalPos);
}

QString QtDialogs::saveFileName(QWidget *owner, const QString &title, const QString &suggestedPath,
                                const QString &filter)
{
    const QFileInfo suggested(suggestedPath);
    QFileDialog dialog(owner, title, suggested.absolutePath(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without an extension still gets the filter's.
    if (!suggested.suffix().isEmpty())
        dialog.setDefaultSuffix(suggested.suffix());
    dialog.selectFile(suggested.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool QtDialogs::printDialog(QWidget *owner, QPrinter *printer)
{
    QPrintDialog dialog(printer, owner);
    return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::showModal(QDialog *dialog)
{
    dialog->exec();
}
