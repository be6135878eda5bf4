#include <QCoreApplication>

#include <gtest/gtest.h>

// The refresh controller paces its passes with timers on the test thread.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
