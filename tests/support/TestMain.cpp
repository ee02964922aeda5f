// Entry of every test program: a widget application on the offscreen platform
// (tests drive code that needs an event loop and, later, widgets), then GoogleTest.
#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // ctest gives each program a data folder of its own; a program started by hand gets one
    // too, so it never writes into the user's own database and settings.
    if (qEnvironmentVariableIsEmpty("LUTLOADER_DATA_DIR"))
        qputenv("LUTLOADER_DATA_DIR",
                QDir::tempPath().toLocal8Bit() + "/lutloader-test/" +
                    QFileInfo(QString::fromLocal8Bit(argv[0])).fileName().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
