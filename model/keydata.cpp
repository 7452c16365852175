#include "keydata.h"

#include "keymapimgclass.h"

KeyData KeyData::with(const KeyData& other, Part part) const
{
    KeyData out = *this;
    if (part & Codes)
        out.keymap = other.keymap;
    if (part & Label) {
        for (int l = 0; l < LabelLines; ++l)
            out.lines[l] = other.lines[l];
        out.background = other.background;
        out.link = other.link;
    }
    return out;
}

KeyData readKey(const KeyMapImgClass& model, int col, int row)
{
    KeyData k;
    k.keymap = model.getKeyMap(col, row);
    k.link = model.getLink(col, row);
    for (int l = 0; l < LabelLines; ++l) {
        KeyLine& line = k.lines[l];
        line.text = model.getBtnName(col, row, l);
        line.colour = model.getBtnNameColor(col, row, l);
        line.pos = model.getBtnNamePos(col, row, l);
        line.size = model.getBtnNameSize(col, row, l);
        line.style = model.getFontStyle(col, row, l);
        line.vertical = model.getVertName(col, row, l);
    }
    k.background = model.getBtnColor(col, row);
    return k;
}

void writeKey(KeyMapImgClass& model, int col, int row, const KeyData& key)
{
    model.setKeyMap(col, row, key.keymap);
    for (int l = 0; l < LabelLines; ++l) {
        const KeyLine& line = key.lines[l];
        model.setBtnName(col, row, l, line.text);
        model.setBtnNamePos(col, row, l, line.pos.x, line.pos.y);
        model.setBtnNameSize(col, row, l, line.size);
        model.setBtnNameColor(col, row, l, line.colour);
        model.setFontStyle(col, row, l, line.style);
        model.setVertName(col, row, l, line.vertical);
    }
    model.setLink(col, row, key.link);
    model.setBtnColor(col, row, key.background);
}
