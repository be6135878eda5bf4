#include <QApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    // One desktop-sized screen, so window geometries up to 1920 by 1080 are on screen.
    const std::filesystem::path screens =
        std::filesystem::temp_directory_path() /
        ("quarrix-app-tests-" + std::to_string(getpid()) + ".json");
    std::ofstream(screens) << R"({"screens": [{"name": "Test", "x": 0, "y": 0, "width": 1920,
        "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens.string()).c_str());
    QApplication app(argc, argv);
    std::filesystem::remove(screens);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
