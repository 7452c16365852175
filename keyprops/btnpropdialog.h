#pragma once
#include "keymetatypes.h"
#include "keytypes.h"

#include <QColor>
#include <QDialog>
#include <QPixmap>
#include <QString>

#include <functional>

class KeyMapImgClass;
class QAbstractButton;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QPushButton;
class Ui_BtnPropDialog;

// Edits one key's scan codes and label. It never writes the model: loadKey() copies
// the key into the controls, OK hands the whole key back through
// SaveBtnMapFromDialog, and every dismissal emits UncheckBtn so the main window can
// release the key button that opened it.
class BtnPropDialog : public QDialog
{
    Q_OBJECT

public:
    // How a colour is asked for: the initial colour, the parent and the title in; the
    // chosen colour out, or an invalid colour when the user cancels.
    using ColorPicker = std::function<QColor(const QColor& initial, QWidget* parent, const QString& title)>;

    explicit BtnPropDialog(QWidget* parent = nullptr);
    ~BtnPropDialog() override;

    // Fills the dialog with key (col, row) of `model`; does not show it.
    void loadKey(int col, int row, KeyMapImgClass* model);

    // The look of a colour button: its colour as background inside a light grey border.
    static QString colorStyleSheet(TColor c);

    // The key face as OK would store it, drawn for the pixels of the preview's screen.
    QPixmap previewPixmap() const;
    // Redraws the preview unless the dialog is hidden (a load draws once at its end).
    void refreshPreview();

    // Replaces the colour dialog (tests answer it directly); an empty picker
    // restores QColorDialog::getColor.
    void setColorPicker(ColorPicker picker);

signals:
    // Pointer arguments are arrays of five (label lines 1..5) valid during the emission only.
    void SaveBtnMapFromDialog(int col, int row, TKeyMap keymap, QString* pname, bool link, TColor* pbtnnamecolor,
                              TBtnNamePosition* pbtnnamepos, unsigned char* pbtnnamesize, TColor btncolor,
                              TFontStyle* pfontstyle, bool* vertname);
    void UncheckBtn(int col, int row);

public slots:
    void reject() override;

private slots:
    void on_comboBox_currentIndexChanged(int n);
    void on_comboBox_3_currentIndexChanged(int index);
    void on_comboBox_5_currentIndexChanged(int index);
    void on_comboBox_7_currentIndexChanged(int index);
    void on_comboBox_9_currentIndexChanged(int index);
    void on_comboBox_10_currentIndexChanged(int index);
    void on_buttonBox_clicked(QAbstractButton* button);
    void on_checkBox_clicked(bool checked);
    void on_lineEdit_textChanged(const QString&);
    void on_lineEdit_2_textChanged(const QString&);
    void on_lineEdit_3_textChanged(const QString&);
    void on_lineEdit_4_textChanged(const QString&);
    void on_lineEdit_5_textChanged(const QString&);
    void on_comboBox_2_currentIndexChanged(int);
    void on_comboBox_4_currentIndexChanged(int);
    void on_comboBox_6_currentIndexChanged(int);
    void on_comboBox_8_currentIndexChanged(int);
    void on_comboBox_11_currentIndexChanged(int);
    void on_comboBox_12_currentIndexChanged(int);
    void on_comboBox_13_currentIndexChanged(int);
    void on_comboBox_14_currentIndexChanged(int);
    void on_comboBox_15_currentIndexChanged(int);
    void on_comboBox_16_currentIndexChanged(int);
    void on_comboBox_17_currentIndexChanged(int);
    void on_comboBox_18_currentIndexChanged(int);
    void on_comboBox_19_currentIndexChanged(int);
    void on_comboBox_20_currentIndexChanged(int);
    void on_comboBox_21_currentIndexChanged(int);
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void on_pushButton_5_clicked();
    void on_pushButton_6_clicked();
    void on_checkBox_2_stateChanged(int);
    void on_checkBox_3_toggled(bool);
    void on_checkBox_4_toggled(bool);
    void on_checkBox_5_toggled(bool);
    void on_checkBox_6_toggled(bool);
    void on_checkBox_7_toggled(bool);
    void on_checkBox_8_toggled(bool);
    void on_checkBox_9_toggled(bool);
    void on_checkBox_10_toggled(bool);
    void on_checkBox_11_toggled(bool);
    void on_checkBox_12_toggled(bool);
    void on_checkBox_13_toggled(bool);
    void on_checkBox_14_toggled(bool);
    void on_checkBox_15_toggled(bool);
    void on_checkBox_16_toggled(bool);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The label as the controls describe it: what the preview draws and OK sends.
    struct Label {
        QString texts[LabelLines];
        TBtnNamePosition positions[LabelLines];
        unsigned char sizes[LabelLines];
        TFontStyle styles[LabelLines];
        bool vertical[LabelLines];
    };
    Label currentLabel() const;
    TKeyMap currentKeyMap() const;

    uint8_t codeOfRow(int row) const;
    void showCode(int row, uint8_t code);
    void codeChanged(int row, int index);
    void linkFirstCodeName();
    void refillOffsets();
    void pickColor(TColor& colour, QPushButton* button, const QString& title);
    void pickLineColor(int line);
    void saveKey();
    void resetKey();
    void styleBoxChanged(int line);
    void sizeChanged(int line);

    QCheckBox* boldBoxes[LabelLines];
    QCheckBox* italicBoxes[LabelLines];
    QCheckBox* verticalBoxes[LabelLines];
    QString fontfamily;
    Ui_BtnPropDialog* ui;
    int col = 0;
    int row = 0;
    TColor btnnamecolor[LabelLines];
    TColor btncolor;
    int keyWidth = 71;
    int keyHeight = 71;
    QPushButton* colorButtons[LabelLines];

    // What the last load read. A selector that cannot show a stored value (a code
    // outside the table, a size above 52, an offset beyond the face) is left without
    // a selection, and until the user picks something there the stored value is what
    // the preview draws and OK sends back.
    TKeyMap loadedKeyMap;
    unsigned char loadedSizes[LabelLines];
    TBtnNamePosition loadedPositions[LabelLines];
    // Two stored values that the controls show only approximately: a style outside
    // 0..3 (the boxes keep what they showed before) and a size of 0 (shown as "1",
    // drawn at 12). They stand until the user touches that line's boxes or picks a size.
    TFontStyle loadedStyles[LabelLines];
    bool keepStoredStyle[LabelLines] = {};
    bool keepStoredSize[LabelLines] = {};

    ColorPicker colorPicker;
};
