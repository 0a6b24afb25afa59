// An empty Qt Widgets window of Brisko's default size, ended at its first painted frame.
// With the argument "label" it holds one line of text, which is what makes Qt start its font
// system: the floor for any window that shows text.
#include "first_paint.h"

#include <QLabel>
#include <QWidget>

#include <cstring>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(485, 433);
    if (argc > 1 && std::strcmp(argv[1], "label") == 0)
        new QLabel(QStringLiteral("Pelorim"), &window);
    window.show();
    app.installEventFilter(new QuitAtFirstPaint(&app));
    return app.exec();
}
