// Writes the window icon as the PNG files of a freedesktop icon theme, so the installed
// menu entry shows the very picture the window carries.
// Usage: quarrix-render-icon <theme folder> <icon name> <size>...
// Writes <theme folder>/<size>x<size>/apps/<icon name>.png for each size.

#include "Icons.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

namespace {

// The sizes the window icon itself holds must come out pixel for pixel the same; any
// drift between the theme's picture and the window's would show up here first.
bool SameAsWindowIcon(const QImage& image, int size) {
    const QIcon icon = AppIcon();
    if (!icon.availableSizes().contains(QSize(size, size)))
        return true;
    const QImage own = icon.pixmap(QSize(size, size)).toImage().convertToFormat(image.format());
    return own == image;
}

} // namespace

int main(int argc, char** argv) {
    // The tool runs while building, where no display may exist.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <theme folder> <icon name> <size>...\n", argv[0]);
        return 2;
    }
    const QString theme = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        bool number = false;
        const int size = QByteArray(argv[i]).toInt(&number);
        if (!number || size < 16 || size > 1024) {
            std::fprintf(stderr, "not a size from 16 to 1024: %s\n", argv[i]);
            return 2;
        }
        const QImage image = AppIconPixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        if (!SameAsWindowIcon(image, size)) {
            std::fprintf(stderr, "the %d pixel picture differs from the window icon\n", size);
            return 1;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
