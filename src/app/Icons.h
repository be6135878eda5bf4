#pragma once

#include <QColor>
#include <QIcon>
#include <QList>
#include <QPixmap>

// An image list: pictures by index, each drawn at 16 and 24 pixels.
using ImageList = QList<QIcon>;

// Pictures of the tool bars (ImageList1). Indices 4 and 5 are the two states of
// ToolButton_AutoJoin, which the auto-join alternates while it waits.
enum ToolImage {
    ImgExport = 0,
    ImgImport,
    ImgRefresh,
    ImgAutoRefresh,
    ImgAutoJoin,
    ImgAutoJoinAlt,
    ImgDelete,
    ImgAddToFavorite,
    ImgAddToServer,
    ImgCopy,
    ImgFavorite,
    ImgServerInfo,
    ImgOptions,
    ImgMinimize,
    ImgAbout,
    ImgExit,
    ImgSetName,
    ImgAddPort,
    ImgDelPort,
    ImgBeginRunning, // Button_Begin while a search runs (Image1)
    ImgBeginIdle,    // Button_Begin otherwise (Image2)
    ImgSearchLan,    // the search of the LAN: a computer sending waves
    ToolImageCount
};

// Row icons (ImageList2): 0 server with a red cross, 1 green arrow, 2 blue arrow,
// 3 green padlock, 4 blue padlock, 5 player figure, 6 red padlock.
enum RowImage {
    RowDown = 0,
    RowOpen15,
    RowOpen16,
    RowLocked15,
    RowLocked16,
    RowPlayer,
    RowLockedRed,
    RowImageCount
};

// Colours that stand for the game versions, in the row icons and the legend.
inline QColor Cs15Colour() {
    return QColor(0x1f, 0xa0, 0x3a);
}
inline QColor Cs16Colour() {
    return QColor(0x1e, 0x5f, 0xd8);
}

ImageList MakeImageList1(); // tool bar pictures, indexed by ToolImage
ImageList MakeImageList2(); // row and player icons, indexed by RowImage
ImageList MakeImageList3(); // tray icons: 0 normal, 1 blink
ImageList MakeImageList4(); // menu pictures, indexed like ImageList1

// A filled square of the version colour for the legend.
QPixmap LegendSquare(const QColor& colour, int size);
// The application's own window icon.
QIcon AppIcon();
// The window icon's picture drawn at any size, for the desktop's icon theme.
QPixmap AppIconPixmap(int size);
