#pragma once

#include "GaugePanel.h"

#include <QColor>
#include <QHash>
#include <QObject>
#include <QPalette>
#include <QString>

#include <array>

class AGauge;
class QRectF;
class QWidget;

// Shows after each calculation, without a modal box, what makes its numbers doubtful: the
// findings of the range checks, input texts that were no number (the calculation used an earlier
// value), and factors whose step failed (their boxes show an earlier value). With none of these
// the window looks as it always does.
class FindingsView : public QObject
{
    Q_OBJECT

public:
    FindingsView(GaugePanel &panel, AGauge *gauge, const PanelFields &fields);

    // Pale tints of a field a note is about, that keep its black text readable.
    static inline const QColor WarningTint{255, 236, 179};
    static inline const QColor ErrorTint{255, 210, 210};

    // The tooltip over a slot's readout; empty when the slot has nothing to say.
    QString readoutToolTip(int slot) const { return slotTips_[slot]; }
    // The mark on a slot's readout (hidden when there is nothing to say).
    QWidget *readoutMark(int slot) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show();
    void placeMarks();
    QRectF tipArea(int slot) const;
    // Gives widget a look of its own, or (no palette) gives back its former look.
    void setLook(QWidget *widget, const QPalette *palette, const QString &tip);

    struct Saved
    {
        QPalette palette;
        QString toolTip;
    };

    GaugePanel &panel_;
    AGauge *gauge_;
    const PanelFields fields_;
    std::array<QWidget *, 4> marks_{};
    std::array<QString, 4> slotTips_;
    // The looks the widgets had before they were marked; they live as long as the window.
    QHash<QWidget *, Saved> saved_;
};
