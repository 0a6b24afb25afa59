#include "Dialogs.h"
#include "frmBrisko.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QtDialogs dialogs;
    frmBrisko window(dialogs);
    window.Form_Load();
    window.show();
    return app.exec();
}
