#pragma once

#include <QPoint>
#include <QString>

class QDialog;
class QMenu;
class QPoint;
class QPrinter;
class QWidget;

// Every modal interaction of the program goes through here, so that tests can answer the
// message box, the input boxes, the popup menus and the about box without a user.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A modal message with the critical icon and an OK button.
    virtual void criticalMessage(QWidget *owner, const QString &text, const QString &title) = 0;

    // A modal message with the warning icon and an OK button.
    virtual void warningMessage(QWidget *owner, const QString &text, const QString &title) = 0;

    // A modal input box; the edited text on OK, an empty text on Cancel.
    virtual QString inputBox(QWidget *owner, const QString &prompt, const QString &title,
                             const QString &defaultText) = 0;

    // Opens the popup menu at globalPos (screen pixels) and returns when it has closed, after
    // the chosen item's handler has run.
    virtual void popupMenu(QMenu *menu, const QPoint &globalPos) = 0;

    // The file dialog for a file to write, starting at suggestedPath; an existing file is
    // confirmed before it is chosen. The chosen path, or an empty text on Cancel.
    virtual QString saveFileName(QWidget *owner, const QString &title, const QString &suggestedPath,
                                 const QString &filter) = 0;

    // The print dialog; true when the user chose to print, with printer set up as chosen.
    virtual bool printDialog(QWidget *owner, QPrinter *printer) = 0;

    // Shows a dialog modal to its owner and returns when it has closed.
    virtual void showModal(QDialog *dialog) = 0;
};

// The real thing, with Qt's standard dialogs.
class QtDialogs : public Dialogs
{
public:
    void criticalMessage(QWidget *owner, const QString &text, const QString &title) override;
    void warningMessage(QWidget *owner, const QString &text, const QString &title) override;
    QString inputBox(QWidget *owner, const QString &prompt, const QString &title,
                     const QString &defaultText) override;
    void popupMenu(QMenu *menu, const QPoint &globalPos) override;
    QString saveFileName(QWidget *owner, const QString &title, const QString &suggestedPath,
                         const QString &filter) override;
    bool printDialog(QWidget *owner, QPrinter *printer) override;
    void showModal(QDialog *dialog) override;
};
