// Export draws with Qt, which needs a QGuiApplication; without a display the
// tests run on the offscreen platform. Pictures decode through the Qt codec,
// as in the programs.
#include "platform/qt/QtImageCodec.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    qv::QtImageCodec codec;
    qv::ImageCodec::setShared(&codec);
    testing::InitGoogleTest(&argc, argv);
    const int status = RUN_ALL_TESTS();
    qv::ImageCodec::setShared(nullptr);
    return status;
}
