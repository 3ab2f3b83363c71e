// The GUI tests need a QApplication for their whole run, and GoogleTest's own main makes
// none. Without a display they run on Qt's offscreen platform (CTest asks for it too, but
// the build also runs this program to list the tests).

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
