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
    // A window started where it cannot keep its files goes to the user's configuration
    // folder: never the real one of whoever runs the tests, nor a QUARRIX_HOME they set.
    const std::filesystem::path config = std::filesystem::temp_directory_path() /
                                         ("quarrix-app-tests-config-" + std::to_string(getpid()));
    ::unsetenv("QUARRIX_HOME");
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    QApplication app(argc, argv);
    std::filesystem::remove(screens);
    ::testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(config, ec);
    return failed;
}
