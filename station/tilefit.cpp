#include "tilefit.h"

#include <algorithm>

TileFit fitTiles(int count, const QSize& room, int spacing)
{
    TileFit best{std::max(1, (room.width() + spacing) / (TileSize::Smallest.width() + spacing)), TileSize::Smallest};
    double bestScale = 0;
    for (int columns = 1; columns <= std::max(1, count); ++columns) {
        const int rows = (count + columns - 1) / columns;
        const int width = (room.width() - (columns - 1) * spacing) / columns;
        const int height = (room.height() - (rows - 1) * spacing) / std::max(1, rows);
        if (width < TileSize::Smallest.width() || height < TileSize::Smallest.height())
            continue;
        const QSize tile(std::min(width, TileSize::Largest.width()), std::min(height, TileSize::Largest.height()));
        // How large the usual tile could be drawn in this cell: a cell far wider
        // or taller than a tile's shape gains nothing from its extra room. Past
        // a third larger than usual a tile reads as well from across the bench,
        // and of tiles as large those in fewer rows are the easier to follow.
        const double scale = std::min({double(tile.width()) / TileSize::Usual.width(),
                                       double(tile.height()) / TileSize::Usual.height(), 4.0 / 3});
        if (scale >= bestScale) {
            bestScale = scale;
            best = {columns, tile};
        }
    }
    return best;
}
