#include "md_start.h"

#include "Dialogs.h"
#include "frmBrisko.h"

#include <QApplication>

int md_start(int argc, char *argv[], const std::function<void(QApplication &, QWidget &)> &onShown)
{
    QApplication app(argc, argv);
    QtDialogs dialogs;
    frmBrisko window(dialogs);
    window.Form_Load();
    window.show();
    if (onShown)
        onShown(app, window);
    return app.exec();
}
