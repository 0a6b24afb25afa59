#pragma once

#include <QObject>

class QComboBox;

// Reports picks from an editable combo box's list (the popup, the arrow keys, the wheel) and
// nothing else. QComboBox also raises `activated` when editing ends on typed text that
// matches an entry; typed text must not recalculate, so those activations are dropped.
class ListPick : public QObject
{
    Q_OBJECT

public:
    explicit ListPick(QComboBox *combo);

signals:
    void picked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QComboBox *combo_;
    // The user typed since the last use of the list, so an activation now ends typing.
    bool typed_ = false;
};
