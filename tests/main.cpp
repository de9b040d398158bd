#include "platform/system/ProcessExit.h"
#include "platform/system/StandardError.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    // As the program does, before any thread starts.
    StandardError::takeOver();
    // Test discovery runs the programs outside CTest's environment: without a
    // display, choose the offscreen platform here.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    // The person's settings are never read nor written: each test program has
    // its own, which the programs it starts share and which go with it (test
    // mode alone would share one folder in the home among every run).
    int status = 0;
    {
        QTemporaryDir configHome;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome.path());
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    // As the program itself ends: a test that stops a speech just before the
    // end would otherwise meet the audio engine's abort on the way out.
    ProcessExit::leave(status);
}
