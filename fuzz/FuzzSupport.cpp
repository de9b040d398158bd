#include "fuzz/FuzzApplication.h"
#include "fuzz/FuzzInput.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

void fuzzFailure(const char *what, const QString &detail)
{
    std::fprintf(stderr, "Invariant broken: %s\n", what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.toUtf8().constData());
    std::abort();
}

void makeFuzzApplication(int *argc, char ***argv)
{
    // The menus need a QApplication; fuzzing happens without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication *application = new QApplication(*argc, *argv);
    Q_UNUSED(application);
}
