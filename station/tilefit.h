#pragma once
// How the tiles share the room they have: as many columns as make the largest
// tiles of about the usual shape, so that every socket in use is in view.
#include <QSize>

struct TileFit {
    int columns = 1;
    QSize tile;
};

namespace TileSize {
inline constexpr QSize Usual{260, 170};
inline constexpr QSize Largest{360, 240};
// Below this the number and a verdict of two lines no longer fit: the tiles
// stay so small and scroll.
inline constexpr QSize Smallest{96, 60};
}  // namespace TileSize

TileFit fitTiles(int count, const QSize& room, int spacing);
