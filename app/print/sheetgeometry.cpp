#include "sheetgeometry.h"

QPoint sheetTilePos(PrintSheet sheet, int col, int row)
{
    const int shift = sheet == PrintSheet::Codes ? 10 : 0;
    // The wide key starts at column 11 and the tall keys one row up: each covers
    // the position it hides.
    if (col == 12 && row == 3)
        return QPoint(1155 + shift, 315 + shift);
    if ((col == 11 || col == 12) && row == 5)
        return QPoint(SheetPitch * col + shift, 420 + shift);
    return QPoint(SheetPitch * col + shift, SheetPitch * row + shift);
}

QRectF sheetSceneRect(PrintSheet sheet)
{
    return sheet == PrintSheet::Codes ? QRectF(10, 10, 1365, 630) : QRectF(0, 0, 1365, 630);
}

QRectF sheetSourceRect(PrintSheet sheet)
{
    return sheet == PrintSheet::Codes ? QRectF(0, 0, 1365, 630) : QRectF(-5, -5, 1365, 630);
}

QRect sheetTargetRect(int resolution)
{
    // 64-bit so an absurd resolution cannot overflow; the page sizes stay integers,
    // truncated as the fixed scale demands.
    const qint64 dpi = resolution;
    return QRect(200, 200, int(dpi * 35490 / 3621), int(dpi * 16380 / 3621));
}
