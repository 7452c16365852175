#pragma once
// The layout as JSON, for raskladka-cli's dump and convert:
//
//   {"format": "kmp" | "btv", "fontFamily": "...", "keys": [78 objects]}
//   key:  {"col", "row", "count", "pairs": [[modifiers, code] x 5], "link",
//          "background": "#rrggbb", "lines": [5 line objects]}
//   line: {"text", "color": "#rrggbb", "x", "y", "size", "style", "vertical"}
//
// Keys are written columns outer, rows inner; colours in lower-case hex; "style" is
// the stored number, also outside 0..3. Texts that are not valid UTF-16 (a surrogate
// cut off at the 24th unit) are written with \u escapes, so they come back unit for unit.
#include "keydata.h"
#include "keymapimgclass.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QPoint>
#include <QString>

#include <memory>

// UTF-8 JSON of the whole model; `format` names the kind of file it came from.
QByteArray layoutToJson(const KeyMapImgClass& model, const QString& format);

// Reads JSON written by layoutToJson (or edited by hand) into a new model. Everything
// is checked: every field present and of its type and range, no unknown field, texts
// and the family at most 24 UTF-16 units, each of the 78 keys exactly once (in any
// order). On the first problem returns null and `error` names its place, e.g.
// "keys[12].lines[3].size: ожидается целое 0..255".
std::unique_ptr<KeyMapImgClass> layoutFromJson(const QByteArray& json, QString* error, QString* format = nullptr);

// One key object as the layout holds it, on its own: what the editor puts on the
// clipboard, so a key travels between windows and through a text editor.
QByteArray keyToJson(const KeyData& key, int col, int row);
// Reads a key object with the layout's checks; the position it names goes to
// `col`/`row`, or -1 where it names none (a key pasted onto a chosen one needs no
// place). False with `error` naming the place of the first problem.
bool keyFromJson(const QByteArray& json, KeyData& key, QString* error, int* col = nullptr, int* row = nullptr);

// Several keys copied as one block: {"block": [key objects]}, each key's "col" and
// "row" its place from the block's top left.
using KeyBlock = QList<QPair<QPoint, KeyData>>;
QByteArray blockToJson(const KeyBlock& block);
// Whether `json` is a block at all (an object with a "block" field).
bool isBlockJson(const QByteArray& json);
// Reads a block with the layout's checks: at least one key, each place once. False
// with `error` naming the place of the first problem.
bool blockFromJson(const QByteArray& json, KeyBlock& block, QString* error);
