#pragma once
#include "keytypes.h"

class QCheckBox;
class QComboBox;
class QDialog;
class QDialogButtonBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The form of the key properties dialog, built in code: one pointer per control
// under its object name, plus the same controls grouped per code row and per label
// line for the code that walks them by number.
class Ui_BtnPropDialog
{
public:
    // Key identity and count of scan codes.
    QLabel* label_8;
    QLabel* label_10;
    QLabel* label_9;
    QLabel* label_13;
    QLabel* label;
    QComboBox* comboBox;

    // Scan codes: group, headings, five rows of frame / number / selector / value.
    QGroupBox* groupBox;
    QLabel* label_3;
    QLabel* label_2;
    QLabel* label_6;
    QFrame* frame_2;
    QFrame* frame_3;
    QFrame* frame_4;
    QFrame* frame_5;
    QFrame* frame_6;
    QLabel* label_5;
    QLabel* label_11;
    QLabel* label_15;
    QLabel* label_19;
    QLabel* label_21;
    QComboBox* comboBox_3;
    QComboBox* comboBox_5;
    QComboBox* comboBox_7;
    QComboBox* comboBox_9;
    QComboBox* comboBox_10;
    QLabel* label_7;
    QLabel* label_12;
    QLabel* label_16;
    QLabel* label_20;
    QLabel* label_22;
    QCheckBox* checkBox;

    // Label view.
    QGroupBox* groupBox_2;
    QLabel* label_29;

    QDialogButtonBox* buttonBox;

    // Label lines: group, column headings, five lines of controls.
    QGroupBox* groupBox_7;
    QLabel* label_25;
    QLabel* label_24;
    QLabel* label_26;
    QLabel* label_27;
    QLabel* label_28;
    QLabel* label_30;
    QLabel* label_31;
    QLabel* label_32;
    QLabel* label_33;
    QLabel* label_4;
    QLabel* label_14;
    QLabel* label_17;
    QLabel* label_18;
    QLabel* label_23;
    QLineEdit* lineEdit;
    QLineEdit* lineEdit_2;
    QLineEdit* lineEdit_3;
    QLineEdit* lineEdit_4;
    QLineEdit* lineEdit_5;
    QComboBox* comboBox_2;
    QComboBox* comboBox_4;
    QComboBox* comboBox_6;
    QComboBox* comboBox_8;
    QComboBox* comboBox_11;
    QComboBox* comboBox_12;
    QComboBox* comboBox_13;
    QComboBox* comboBox_14;
    QComboBox* comboBox_15;
    QComboBox* comboBox_16;
    QComboBox* comboBox_17;
    QComboBox* comboBox_18;
    QComboBox* comboBox_19;
    QComboBox* comboBox_20;
    QComboBox* comboBox_21;
    QPushButton* pushButton_2;
    QPushButton* pushButton_3;
    QPushButton* pushButton_4;
    QPushButton* pushButton_5;
    QPushButton* pushButton_6;
    QCheckBox* checkBox_2;
    QCheckBox* checkBox_3;
    QCheckBox* checkBox_4;
    QCheckBox* checkBox_5;
    QCheckBox* checkBox_6;
    QCheckBox* checkBox_7;
    QCheckBox* checkBox_8;
    QCheckBox* checkBox_9;
    QCheckBox* checkBox_10;
    QCheckBox* checkBox_11;
    QCheckBox* checkBox_12;
    QCheckBox* checkBox_13;
    QCheckBox* checkBox_14;
    QCheckBox* checkBox_15;
    QCheckBox* checkBox_16;
    QLabel* label_35;
    QPushButton* pushButton;

    // The same controls by number (index 0 is code row 1 / label line 1).
    struct CodeRow {
        QFrame* frame;
        QLabel* number;
        QComboBox* selector;
        QLabel* value;
    };
    CodeRow codeRows[MaxKeyCodes];

    struct LabelLine {
        QLabel* number;
        QLineEdit* text;
        QComboBox* size;
        QComboBox* offsetX;
        QComboBox* offsetY;
        QPushButton* colour;
        QCheckBox* bold;
        QCheckBox* italic;
        QCheckBox* vertical;
    };
    LabelLine lines[LabelLines];

    // Creates every control on `dialog`, connects the button box to accept()/reject()
    // and finally binds the dialog's on_<object>_<signal> slots by name.
    void setupUi(QDialog* dialog);
};

namespace Ui {
class BtnPropDialog : public Ui_BtnPropDialog
{
};
}  // namespace Ui
