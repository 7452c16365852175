#pragma once
// Keys taken from the layout as one block, and where a block lands.
#include "layoutjson.h"

#include <QList>
#include <QPoint>
#include <QString>

class KeyMapImgClass;

// The keys' content, each place counted from the block's top left (the least column
// and the least row among them), which goes to `origin`.
KeyBlock takeBlock(const KeyMapImgClass& model, const QList<QPoint>& keys, QPoint* origin = nullptr);

// The places and contents the block gives with its top left on `at`. False with
// `refusal` naming the first key that would leave the grid or land on a place under
// a wide or tall key; then nothing may change.
bool placeBlock(const KeyBlock& block, QPoint at, QList<QPair<QPoint, KeyData>>& placed, QString* refusal);
