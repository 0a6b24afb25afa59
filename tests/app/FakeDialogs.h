#pragma once

#include "Dialogs.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QStringList>

#include <functional>

// Answers the program's modal interactions from a script and records what was asked.
class FakeDialogs : public Dialogs
{
public:
    struct Message
    {
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::Critical;
    };
    struct Input
    {
        QString prompt, title, defaultText;
    };

    QList<Message> messages;
    QList<Input> inputs;
    QStringList answers;          // returned by the input boxes in turn ("" = Cancel)
    QStringList menusOpened;      // object names of the popup menus
    QList<QPoint> menuPositions;  // and where each opened, screen pixels
    QList<QStringList> menuItems; // the object names of each opened menu's items
    QList<QStringList> menuTexts; // and their texts
    QString chooseItem;           // object name of the item to pick from the next popup
    QStringList saveAnswers;      // returned by the file dialogs in turn ("" = Cancel)
    QStringList saveSuggested;
    // Answers the print dialog: true prints, after setting the printer up (e.g. to a file).
    std::function<bool(QPrinter *)> onPrint;
    QList<QPointer<QDialog>> modals;
    std::function<void(QDialog *)> onModal; // default: close the dialog at once

    void criticalMessage(QWidget *, const QString &text, const QString &title) override
    {
        messages.append({text, title});
    }
    void warningMessage(QWidget *, const QString &text, const QString &title) override
    {
        messages.append({text, title, QMessageBox::Warning});
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
        QStringList names, texts;
        QAction *chosen = nullptr;
        for (QAction *item : menu->actions()) {
            names << item->objectName();
            texts << item->text();
            if (!chooseItem.isEmpty() && item->objectName() == chooseItem)
                chosen = item;
        }
        menuItems.append(names);
        menuTexts.append(texts);
        chooseItem.clear();
        if (chosen)
            chosen->trigger();
    }
    QString saveFileName(QWidget *, const QString &, const QString &suggestedPath,
                         const QString &) override
    {
        saveSuggested.append(suggestedPath);
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    bool printDialog(QWidget *, QPrinter *printer) override { return onPrint && onPrint(printer); }
    void showModal(QDialog *dialog) override
    {
        modals.append(dialog);
        if (onModal)
            onModal(dialog);
        else
            dialog->close();
    }
};
