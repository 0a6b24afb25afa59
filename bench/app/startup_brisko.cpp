// Brisko's own start, ended at its first painted frame.
#include "first_paint.h"
#include "md_start.h"

int main(int argc, char *argv[])
{
    return md_start(argc, argv, [](QApplication &app, QWidget &) {
        app.installEventFilter(new QuitAtFirstPaint(&app));
    });
}
