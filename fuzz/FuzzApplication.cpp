#include "fuzz/FuzzApplication.h"

#include <QApplication>

void makeFuzzApplication(int *argc, char ***argv)
{
    // The menus need a QApplication; fuzzing happens without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication *application = new QApplication(*argc, *argv);
    Q_UNUSED(application);
}
