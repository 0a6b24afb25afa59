#include "ListPick.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

ListPick::ListPick(QComboBox *combo) : QObject(combo), combo_(combo)
{
    if (QLineEdit *edit = combo->lineEdit())
        connect(edit, &QLineEdit::textEdited, this, [this] { typed_ = true; });
    connect(combo, &QComboBox::activated, this, [this] {
        if (typed_) {
            typed_ = false;
            return;
        }
        emit picked();
    });
    combo->installEventFilter(this);
    combo->view()->installEventFilter(this);
}

bool ListPick::eventFilter(QObject *watched, QEvent *event)
{
    // Anything that uses the list itself makes the next activation a pick.
    switch (event->type()) {
    case QEvent::Show:
        if (watched == combo_->view())
            typed_ = false;
        break;
    case QEvent::Wheel:
        typed_ = false;
        break;
    case QEvent::KeyPress:
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            if (watched == combo_)
                typed_ = false;
            break;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
