// Fuzz target for the layout readers: the keymap file, the button view file, the JSON
// layout, the recovery journal and a key pasted from the clipboard (its key object as
// text). Besides not crashing, each reader must agree with its own check and reach a
// fixed point: what it loaded, written and read again, loads the same.
// Built with clang and libFuzzer by run.sh; tests/files replays the corpus through
// the same function with the ordinary compiler.
#include "buttonviewfile.h"
#include "keymapfile.h"
#include "layoutjson.h"
#include "recoveryjournal.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>

namespace {
void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_layout: %s\n", what);
        std::abort();
    }
}

void keymap(const QByteArray& data)
{
    const QByteArray head = data.left(KeymapFileSize);
    const KeymapFileCheck check = checkKeymapFile(head);
    require(check.ok() == (head.size() == KeymapFileSize && imageChecksumValid(reinterpret_cast<const uint8_t*>(head.constData()))),
            "keymap check disagrees with the checksum");
    KeyMapImgClass model;
    const DecodeResult decoded = decodeKeymapFile(head, model);
    if (!check.ok())
        return;
    require(decoded.badSlot == check.badSlot, "keymap decode stopped elsewhere than the check said");
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r)
            require(model.getKeyMap(c, r).count <= 5, "keymap decode let a count above 5 in");
    const QByteArray saved = keymapFileBytes(model);
    KeyMapImgClass again;
    require(decodeKeymapFile(saved, again).complete(), "a saved keymap does not load completely");
    require(keymapFileBytes(again) == saved, "keymap save and open is not a fixed point");
}

void buttonView(const QByteArray& data)
{
    const QByteArray head = data.left(ButtonViewFileSize);
    const ButtonViewFileCheck check = checkButtonViewFile(head);
    KeyMapImgClass model;
    const ButtonViewLoad load = loadButtonViewFile(head, model);
    if (!check.ok())
        return;
    require(load.badKey == check.badKey, "button view load stopped elsewhere than the check said");
    require(model.getFontFamily() == buttonViewFontFamily(head), "font family differs from the file's");
    const QByteArray saved = buttonViewFileBytes(model);
    KeyMapImgClass again;
    require(loadButtonViewFile(saved, again).complete(), "a saved button view does not load completely");
    require(buttonViewFileBytes(again) == saved, "button view save and open is not a fixed point");
}

void json(const QByteArray& data)
{
    QString error, format;
    const auto model = layoutFromJson(data, &error, &format);
    require(bool(model) == error.isEmpty(), "JSON reader must give a model or an error");
    if (!model)
        return;
    const QByteArray written = layoutToJson(*model, format);
    QString error2;
    const auto again = layoutFromJson(written, &error2);
    require(bool(again), "written JSON does not read back");
    require(layoutToJson(*again, format) == written, "JSON write and read is not a fixed point");
    require(buttonViewFileBytes(*again) == buttonViewFileBytes(*model), "JSON round trip changes the layout");
}

void journal(const QByteArray& data)
{
    JournalEntry entry;
    QString damage;
    const auto layout = RecoveryJournal::decode(data, entry, &damage);
    require(bool(layout) == damage.isEmpty(), "journal reader must give a layout or its damage");
    if (!layout)
        return;
    const QByteArray written = RecoveryJournal::encode(entry, *layout);
    JournalEntry entry2;
    QString damage2;
    const auto again = RecoveryJournal::decode(written, entry2, &damage2);
    require(bool(again), "a written journal does not read back");
    require(RecoveryJournal::encode(entry2, *again) == written, "journal write and read is not a fixed point");
    require(buttonViewFileBytes(*again) == buttonViewFileBytes(*layout), "journal round trip changes the layout");
}

void pastedKey(const QByteArray& data)
{
    KeyData key;
    QString error;
    int col = -1, row = -1;
    const bool ok = keyFromJson(data, key, &error, &col, &row);
    require(ok == error.isEmpty(), "key reader must give a key or an error");
    if (!ok)
        return;
    // A key pasted without a place of its own takes the chosen key's.
    const QByteArray written = keyToJson(key, col < 0 ? 0 : col, row < 0 ? 0 : row);
    KeyData again;
    int col2 = -1, row2 = -1;
    require(keyFromJson(written, again, &error, &col2, &row2), "a written key does not read back");
    require(keyToJson(again, col2, row2) == written, "key write and read is not a fixed point");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // No copy: a read past the input's end is caught by the sanitizer.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    keymap(bytes);
    buttonView(bytes);
    json(bytes);
    journal(bytes);
    pastedKey(bytes);
    return 0;
}
