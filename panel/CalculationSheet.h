#pragma once

#include "md_vbcalc.h"

#include <QList>
#include <QString>

#include <memory>

struct Calculation;
struct PanelFields;
class QTextDocument;
class QWidget;

// The record of one calculation that measurement people file: what was entered, every
// factor, the flow, the findings, when and with which program. Its content is put together
// once; the rich-text document (clipboard HTML, print, PDF) and the tab-separated plain text
// (clipboard) are two renderings of it.
class CalculationSheet
{
public:
    enum class Look { Plain, Warning, Error, NotComputed };

    // One line of the sheet: name, value and unit, with a note where the value needs one.
    struct Row
    {
        QString name, value, unit, note;
        Look look = Look::Plain;
    };
    struct Section
    {
        QString title;
        QString nameHeading; // over the names in the document
        QList<Row> rows;
        bool numbers = true; // values are numbers (aligned right in the document)
    };
    // An input as the window shows it and as the engine took it.
    struct Input
    {
        Row shown;
        Row engine;
    };

    // The sheet of c. The inputs and factors carry the window's own long names: the tooltips
    // of the tag labels of fields' boxes.
    // Numbers follow the user's locale, as in the window.
    CalculationSheet(const Calculation &c, const PanelFields &fields);

    static QString programName();

    const QString &title() const { return title_; }
    const QList<Row> &header() const { return header_; }
    const QList<Input> &inputs() const { return inputs_; }
    // Orifice, factors, flow and findings, in that order.
    const QList<Section> &results() const { return results_; }

    // Rows of name, value and unit (and a note where there is one), tab-separated, under a
    // line for each section: pastes into a spreadsheet.
    QString plainText() const;
    // The document to copy, print or save.
    std::unique_ptr<QTextDocument> document() const;

    // The long name the window gives a box: its tag label's tooltip.
    static QString longName(const QWidget *box);

private:
    QString title_;
    QList<Row> header_;
    QList<Input> inputs_;
    QList<Section> results_;
};
