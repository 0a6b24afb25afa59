#pragma once

#include "Dialogs.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QStringList>

#include <functional>

// Answers the program's modal interactions from a script and records what was asked.
class FakeDialogs : public Dialogs
{
public:
    struct Message
    {
        QString text, title;
    };
    struct Input
    {
        QString prompt, title, defaultText;
    };

    QList<Message> messages;
    QList<Input> inputs;
    QStringList answers;         // returned by the input boxes in turn ("" = Cancel)
    QStringList menusOpened;     // object names of the popup menus
    QList<QPoint> menuPositions; // and where each opened, screen pixels
    QString chooseItem;          // object name of the item to pick from the next popup
    QList<QPointer<QDialog>> modals;
    std::function<void(QDialog *)> onModal; // default: close the dialog at once

    void criticalMessage(QWidget *, const QString &text, const QString &title) override
    {
        messages.append({text, title});
    }
    QString inputBox(QWidget *, const QString &prompt, const QString &title,
                     const QString &defaultText) override
    {
        inputs.append({prompt, title, defaultText});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void popupMenu(QMenu *menu, const QPoint &globalPos) override
    {
        menusOpened.append(menu->objectName());
        menuPositions.append(globalPos);
        if (chooseItem.isEmpty())
            return;
        if (auto *item = menu->findChild<QAction *>(chooseItem))
            item->trigger();
        chooseItem.clear();
    }
    void showModal(QDialog *dialog) override
    {
        modals.append(dialog);
        if (onModal)
            onModal(dialog);
        else
            dialog->close();
    }
};
