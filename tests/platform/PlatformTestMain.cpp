#include <QCoreApplication>

#include <gtest/gtest.h>

// The endpoint delivers datagrams through the event loop, so the tests run inside an
// application object.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
