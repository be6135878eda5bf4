#include <QCoreApplication>

#include <gtest/gtest.h>

// The controller and the endpoint need an event loop on the test thread.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
