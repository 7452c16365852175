#include "sheetgeometry.h"
#include "keytypes.h"

QPoint sheetTilePos(PrintSheet sheet, int col, int row)
{
    const int shift = sheet == PrintSheet::Codes ? 10 : 0;
    // A wide or tall key's tile starts on the position it covers.
    return QPoint(SheetPitch * keyLeftColumn(col, row) + shift, SheetPitch * keyTopRow(col, row) + shift);
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
