#pragma once
#include "btnpropdialog.h"
#include "keymapimgclass.h"

#include <QPushButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QStringList>
#include <QTest>

// One emission of SaveBtnMapFromDialog, copied while its arrays are alive.
struct SavedKey {
    int col = -1;
    int row = -1;
    TKeyMap keymap;
    QString names[5];
    bool link = false;
    TColor colours[5];
    TBtnNamePosition positions[5];
    unsigned char sizes[5] = {};
    TColor background;
    TFontStyle styles[5] = {};
    bool vertical[5] = {};
};

// Records the dialog's signals in the order they arrive, as the main window would
// receive them over direct connections.
class DialogRecorder : public QObject
{
public:
    explicit DialogRecorder(BtnPropDialog& dialog)
    {
        connect(&dialog, &BtnPropDialog::UncheckBtn, this,
                [this](int col, int row) { events << QString("uncheck %1 %2").arg(col).arg(row); });
        connect(&dialog, &BtnPropDialog::SaveBtnMapFromDialog, this,
                [this](int col, int row, TKeyMap keymap, QString* pname, bool link, TColor* pcolour,
                       TBtnNamePosition* ppos, unsigned char* psize, TColor background, TFontStyle* pstyle,
                       bool* pvert) {
                    SavedKey k;
                    k.col = col;
                    k.row = row;
                    k.keymap = keymap;
                    k.link = link;
                    k.background = background;
                    for (int i = 0; i < 5; ++i) {
                        k.names[i] = pname[i];
                        k.colours[i] = pcolour[i];
                        k.positions[i] = ppos[i];
                        k.sizes[i] = psize[i];
                        k.styles[i] = pstyle[i];
                        k.vertical[i] = pvert[i];
                    }
                    saves << k;
                    events << QString("save %1 %2").arg(col).arg(row);
                });
    }

    QStringList events;
    QList<SavedKey> saves;
};

template <class W = QWidget>
W* child(const BtnPropDialog& dialog, const char* name)
{
    W* w = dialog.findChild<W*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

inline QAbstractButton* dialogButton(const BtnPropDialog& dialog, QDialogButtonBox::StandardButton which)
{
    return child<QDialogButtonBox>(dialog, "buttonBox")->button(which);
}

inline void clickOk(BtnPropDialog& d) { dialogButton(d, QDialogButtonBox::Ok)->click(); }
inline void clickCancel(BtnPropDialog& d) { dialogButton(d, QDialogButtonBox::Cancel)->click(); }
inline void clickReset(BtnPropDialog& d) { dialogButton(d, QDialogButtonBox::Reset)->click(); }

// Object names of the per-row and per-line controls, row/line 1 first.
inline const char* const CodeSelectors[5] = {"comboBox_3", "comboBox_5", "comboBox_7", "comboBox_9", "comboBox_10"};
inline const char* const CodeValues[5] = {"label_7", "label_12", "label_16", "label_20", "label_22"};
inline const char* const CodeFrames[5] = {"frame_2", "frame_3", "frame_4", "frame_5", "frame_6"};
inline const char* const CodeNumbers[5] = {"label_5", "label_11", "label_15", "label_19", "label_21"};
inline const char* const LineEdits[5] = {"lineEdit", "lineEdit_2", "lineEdit_3", "lineEdit_4", "lineEdit_5"};
inline const char* const SizeSelectors[5] = {"comboBox_2", "comboBox_4", "comboBox_6", "comboBox_8", "comboBox_11"};
inline const char* const OffsetXSelectors[5] = {"comboBox_12", "comboBox_13", "comboBox_14", "comboBox_15",
                                                "comboBox_16"};
inline const char* const OffsetYSelectors[5] = {"comboBox_17", "comboBox_18", "comboBox_19", "comboBox_20",
                                                "comboBox_21"};
inline const char* const ColourButtons[5] = {"pushButton_2", "pushButton_3", "pushButton_4", "pushButton_5",
                                             "pushButton_6"};
inline const char* const BoldBoxes[5] = {"checkBox_2", "checkBox_3", "checkBox_4", "checkBox_5", "checkBox_6"};
inline const char* const ItalicBoxes[5] = {"checkBox_7", "checkBox_8", "checkBox_9", "checkBox_10", "checkBox_11"};
inline const char* const VerticalBoxes[5] = {"checkBox_12", "checkBox_13", "checkBox_14", "checkBox_15",
                                             "checkBox_16"};

inline TKeyMap keyMap(int count, std::initializer_list<uint8_t> codes)
{
    TKeyMap m;
    m.count = uint8_t(count);
    int j = 0;
    for (uint8_t c : codes)
        m.pairs[j++] = {modifierMask(c), c};
    return m;
}
