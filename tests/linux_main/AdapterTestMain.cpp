#include <QCoreApplication>
#include <gtest/gtest.h>

// Adapters are driven by the Qt event loop, so their tests run inside an application object.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
