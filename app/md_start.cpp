#include "md_start.h"

#include "DesignTypeface.h"
#include "Dialogs.h"
#include "frmBrisko.h"

#include <QApplication>
#include <QFont>

namespace {
// The window's designed fields name the design's typeface; frame captions, buttons, menus,
// input boxes and the gauge numbers take the same family, at the platform's size, so the window
// reads as one.
void useDesignTypeface()
{
    QFont font = QApplication::font();
    font.setFamilies({designFamily()});
    QApplication::setFont(font); // also replaces the platform's fonts for menus and the like
}
} // namespace

int md_start(int argc, char *argv[], const std::function<void(QApplication &, QWidget &)> &onShown)
{
    QApplication app(argc, argv);
    useDesignTypeface();
    QtDialogs dialogs;
    frmBrisko window(dialogs);
    window.Form_Load();
    window.show();
    if (onShown)
        onShown(app, window);
    return app.exec();
}
