#pragma once
// A key on the clipboard and in a drag: the layout JSON's key object, as
// application/json and as plain text, so it also goes through a text editor and back.
#include "keydata.h"
#include "layoutjson.h"

#include <QPoint>
#include <QString>

class QMimeData;

QMimeData* keyMimeData(const KeyData& key, QPoint at);
// The key `mime` holds (its JSON, or else its text); false with `error` when it holds none.
bool keyFromMimeData(const QMimeData* mime, KeyData& key, QString* error);

// Several keys: a block of one is the key object alone, as a single key is copied
// (its place `origin`); a larger one the layout JSON's block.
QMimeData* blockMimeData(const KeyBlock& block, QPoint origin);
// The block `mime` holds; a single key object is a block of one.
bool blockFromMimeData(const QMimeData* mime, KeyBlock& block, QString* error);

// A drag started in an editor window also names its source, so a drop in the same
// window can swap the two keys instead of copying.
void markDragSource(QMimeData& mime, const void* window, QPoint key);
// The key of `window` that `mime` was dragged from; (-1, -1) when it came from elsewhere.
QPoint dragSource(const QMimeData* mime, const void* window);
