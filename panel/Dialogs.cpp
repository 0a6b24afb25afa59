#include "Dialogs.h"

#include <QDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>

void QtDialogs::criticalMessage(QWidget *owner, const QString &text, const QString &title)
{
    QMessageBox::critical(owner, title, text, QMessageBox::Ok);
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

void QtDialogs::showModal(QDialog *dialog)
{
    dialog->exec();
}
