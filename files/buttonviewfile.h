#pragma once
// Button view file (*.btv): the whole layout as one 28096-byte little-endian record.
//
// How the editor uses it:
//   open:  readFileHead(path, ButtonViewFileSize, bytes) (false: end silently);
//          check = checkButtonViewFile(bytes); !check.ok(): show check.message()
//          titled TitleFileError, nothing changes. Else switch to the layout view,
//          build a new model, family = buttonViewFontFamily(bytes) and run the font
//          check with it, then r = loadButtonViewFile(bytes, *model): redraw
//          r.loadedKeys; on !r.complete() redraw all and show MsgBadCodeCount.
//   save:  saveButtonViewFile(model, path, &error); false: show error titled TitleSaveError.
#include "keymapimgclass.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>

constexpr int ButtonViewFileSize = 28096;
constexpr int32_t ButtonViewMark = 0x1234;

// Where each field lives; c column, r row, l label line. The image copy, face sizes,
// reserved and padding bytes are written but never read back.
namespace BtvOffset {
constexpr int Image = 8;
constexpr int keyMap(int c, int r) { return 889 + 66 * c + 11 * r; }
constexpr int link(int c, int r) { return 1747 + 6 * c + r; }
constexpr int text(int c, int r, int l) { return 1826 + 1440 * c + 240 * r + 48 * l; }
constexpr int textColor(int c, int r, int l) { return 20546 + 90 * c + 15 * r + 3 * l; }
constexpr int textPos(int c, int r, int l) { return 21716 + 240 * c + 40 * r + 8 * l; }
constexpr int textSize(int c, int r, int l) { return 24836 + 30 * c + 5 * r + l; }
constexpr int background(int c, int r) { return 25226 + 18 * c + 3 * r; }
constexpr int fontStyle(int c, int r, int l) { return 25460 + 120 * c + 20 * r + 4 * l; }
constexpr int vertical(int c, int r, int l) { return 27020 + 30 * c + 5 * r + l; }
constexpr int faceSize(int c, int r) { return 27412 + 48 * c + 8 * r; }
constexpr int FontFamily = 28036;
constexpr int Mark = 28084;
}  // namespace BtvOffset

// What the first 28096 bytes of a button view file say about it.
struct ButtonViewFileCheck {
    enum Status { Ok, TooShort, BadMark };
    Status status = Ok;
    qint64 size = 0;          // bytes given (callers pass at most 28096)
    int32_t mark = 0;         // the value at 28084 (when not TooShort)
    QPoint badKey{-1, -1};    // first key (columns outer, rows inner) whose count is above 5
    uint8_t badCount = 0;     // that key's count

    // The file may be loaded (a bad key only stops loading part way).
    bool ok() const { return status == Ok; }
    // The editor's message for a refused file (MsgFormatError); empty when ok().
    QString message() const;
};

ButtonViewFileCheck checkButtonViewFile(const QByteArray& bytes);

// The label font family stored in the file: the units before the first zero, at most 24.
QString buttonViewFontFamily(const QByteArray& bytes);

struct ButtonViewLoad {
    QList<QPoint> loadedKeys;  // (col, row) of each key loaded, in load order: redraw them
    QPoint badKey{-1, -1};     // key whose count was above 5, where loading stopped
    bool complete() const { return badKey.x() < 0; }
};

// Loads a checked file into a FRESH model: the font family, then key by key (columns
// outer, rows inner) maps, non-empty texts, line offsets, colours, sizes, styles and
// directions, background and link flag, stored as they are. A count above 5 stops
// loading at that key, which keeps its defaults like every key after it; a count of 0
// keeps the default all-zero map whatever the pair bytes hold. Input shorter than
// 28096 bytes loads nothing and reports key (0, 0).
ButtonViewLoad loadButtonViewFile(const QByteArray& bytes, KeyMapImgClass& model);

// Rebuilds the model's image (makeImage) and returns the 28096-byte record.
QByteArray buttonViewFileBytes(KeyMapImgClass& model);

// The editor's save: read-only rule, then the record written by writeFileSafely.
// False with `error` (MsgReadOnlyTarget or the write failure naming the file).
bool saveButtonViewFile(KeyMapImgClass& model, const QString& path, QString* error = nullptr);
