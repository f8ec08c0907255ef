// main() of the web engine tests: the engine is prepared before the
// application exists, offscreen unless the environment chose a platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "web_engine_setup.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareWebEngine();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
