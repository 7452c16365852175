#pragma once
// How the tiles share the room they have: as many columns as make the largest
// tiles of about the usual shape, so that every socket in use is in view.
#include <QSize>

struct TileFit {
    int columns = 1;
    QSize tile;
    // The tiles would be smaller than a tile can be: at the smallest, scrolled.
    bool scrolls = false;
};

namespace TileSize {
inline constexpr QSize Usual{260, 170};
inline constexpr QSize Largest{360, 240};
// Below this the number and a verdict of two lines no longer fit.
inline constexpr QSize Smallest{96, 60};
}  // namespace TileSize

TileFit fitTiles(int count, const QSize& room, int spacing);
