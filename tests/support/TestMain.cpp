#include <QApplication>
#include <gtest/gtest.h>

// Every test program gets one QApplication, so widget, timer and event-loop code can run in any
// test. Tests never need a display: offscreen unless the caller chose a platform.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
