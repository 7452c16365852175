#pragma once
// The layout as a sheet (*.csv), for the people who keep a shop's layout in a
// spreadsheet: a header row, then one row per key.
//
//   Колонка; Ряд            the key, numbered from 1 as the editor shows it
//   Коды                    the codes in the order sent, by the key code table's names
//                           ("Left Shift, A Ф"); a code without a name is "0x74", a
//                           mask that is not the modifier rule's is put before it, "0x02:A Ф"
//   Надпись 1 .. Надпись 5  the label lines' texts
//   Фон                     "#rrggbb"
//   Надпись N: цвет, размер, начертание, направление, смещение
//                           "#rrggbb", 0..255, обычный/жирный/курсив/жирный курсив (or the
//                           stored number), горизонтально/вертикально, "x, y"
//   Привязка к коду         да/нет
//   Коды сверх количества   pairs a key map holds beyond its count (usually empty)
//   Шрифт макета            the label font family, the same on every row
//   Скрытая                 "да" on a position under a wide or tall key; only such a
//                           position that holds anything has a row
//
// In texts a unit UTF-8 cannot carry (a surrogate cut off at the 24th unit, a control
// character) is written \uXXXX, and a backslash that would read as such is doubled, so
// a layout comes back unit for unit.
#include "keymapimgclass.h"

#include <QByteArray>
#include <QString>

#include <memory>

// Written as writeCsvSheet writes: UTF-8 with a byte order mark, ';', CRLF.
QByteArray layoutToCsv(const KeyMapImgClass& model);

// Reads a sheet as readCsvSheet does, its columns in any order and found by their
// header (case does not matter); only Колонка and Ряд must be there. Whatever a sheet
// leaves out (columns, cells, keys) keeps its default. On the first problem returns
// null and `error` names its row and column, e.g.
// "строка 5, столбец C «Коды»: неизвестное имя кода «Left Shfit»".
std::unique_ptr<KeyMapImgClass> layoutFromCsv(const QByteArray& bytes, QString* error);
