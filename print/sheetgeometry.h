#pragma once
#include "keygeometry.h"

#include <QPoint>
#include <QRect>
#include <QRectF>

// The two printed sheets. Both lay the keys out on the pitch of the on-screen
// grid; scene units are the key face pixels.
enum class PrintSheet {
    Labels,  // "Печать макета": every key's sticker with cutting marks
    Codes,   // "Печать карты": every key's scan codes on a grey tile
};

constexpr int SheetPitch = KeyPitch;

// Top-left corner of a key's tile on a sheet, in scene units. The listing is
// shifted by 10 units so that its tiles' thick rounded outline stays inside the
// rendered area.
QPoint sheetTilePos(PrintSheet sheet, int col, int row);

// The scene rectangle the sheet is built in.
QRectF sheetSceneRect(PrintSheet sheet);
// The part of the scene that goes onto paper: the label sheet starts 5 units
// left of and above the first tile so that its cutting marks are included.
QRectF sheetSourceRect(PrintSheet sheet);

// Where the 1365 x 630 units land on the page, in device pixels: a fixed
// 139.27 units per inch (3621/26) whatever the device's resolution (dpi),
// so a printed sticker matches the key cap.
QRect sheetTargetRect(int resolution);
