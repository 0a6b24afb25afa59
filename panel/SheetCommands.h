#pragma once

#include "GaugePanel.h"

#include <QList>
#include <QObject>
#include <QString>

class CalculationSheet;
class Dialogs;
class QAction;
class QMenu;
class QTextDocument;
class QWidget;

// The calculation sheet's three commands: copy, print, save as PDF. They sit in a popup menu
// on the frames of the right-hand column (and at the end of the text boxes' own menus there)
// and work from their shortcuts anywhere in the window.
class SheetCommands : public QObject
{
    Q_OBJECT

public:
    // column: the frames whose right click or menu key opens the menu.
    SheetCommands(QWidget *window, GaugePanel &panel, const PanelFields &fields, Dialogs &dialogs,
                  const QList<QWidget *> &column);

    // The sheet of the window's last calculation.
    CalculationSheet sheet() const;

    // The sheet to the clipboard, as HTML and as tab-separated plain text.
    void copyCalculation();
    // The sheet to a printer chosen in the print dialog.
    void printCalculationSheet();
    // The sheet to a PDF file chosen in a file dialog.
    void saveCalculationSheetAsPdf();

    // Writes doc as a PDF to path, replacing an existing file only once the new one is
    // complete. Empty on success, else a message naming the file and the reason.
    static QString writePdf(const QTextDocument &doc, const QString &path);

    QMenu *menu() const { return menu_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *window_;
    GaugePanel &panel_;
    const PanelFields fields_;
    Dialogs &dialogs_;
    QList<QWidget *> column_;
    QMenu *menu_;
    QString pdfFolder_; // where the last PDF went, offered for the next one
};
