// An empty Qt Widgets window of Brisko's default size, ended at its first painted frame.
#include "first_paint.h"

#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(485, 433);
    window.show();
    app.installEventFilter(new QuitAtFirstPaint(&app));
    return app.exec();
}
