#include "btnpropdialog_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>

namespace {

using Form = Ui_BtnPropDialog;

// A form member together with its object name, so the tables below name each
// control once.
template <class W>
struct Field {
    W* Form::*member;
    const char* name;
};
#define FORM_FIELD(m) {&Form::m, #m}

struct Caption {
    Field<QLabel> field;
    const char* text;
    QRect geometry;
};

// Captions placed directly on the dialog.
const Caption DialogCaptions[] = {
    {FORM_FIELD(label_8), "Столбец :", {20, 10, 61, 21}},
    {FORM_FIELD(label_9), "Ряд :", {136, 10, 31, 21}},
    {FORM_FIELD(label), "Количество сканкодов на кнопке :", {20, 70, 201, 21}},
    // Column headings of the label lines.
    {FORM_FIELD(label_25), "№ метки", {20, 300, 61, 21}},
    {FORM_FIELD(label_24), "Содержание", {100, 300, 81, 21}},
    {FORM_FIELD(label_26), "Размер", {236, 300, 51, 21}},
    {FORM_FIELD(label_27), "Смещение X", {300, 300, 81, 21}},
    {FORM_FIELD(label_28), "Смещение Y", {390, 300, 81, 21}},
    {FORM_FIELD(label_30), "Цвет шрифта", {490, 300, 91, 21}},
    {FORM_FIELD(label_31), "Жирный", {590, 300, 51, 21}},
    {FORM_FIELD(label_32), "Курсив", {650, 300, 51, 21}},
    {FORM_FIELD(label_33), "Вертикально", {700, 300, 81, 21}},
};

// Headings of the code rows, inside the scan code group.
const Caption CodeCaptions[] = {
    {FORM_FIELD(label_3), "№ кода", {10, 15, 51, 16}},
    {FORM_FIELD(label_2), "Название :", {70, 15, 91, 16}},
    {FORM_FIELD(label_6), "Значение :", {220, 15, 71, 16}},
};

struct CodeRowDef {
    Field<QFrame> frame;
    Field<QLabel> number;
    Field<QComboBox> selector;
    Field<QLabel> value;
    int maxVisibleItems;
};

const CodeRowDef CodeRowDefs[MaxKeyCodes] = {
    {FORM_FIELD(frame_2), FORM_FIELD(label_5), FORM_FIELD(comboBox_3), FORM_FIELD(label_7), 48},
    {FORM_FIELD(frame_3), FORM_FIELD(label_11), FORM_FIELD(comboBox_5), FORM_FIELD(label_12), 32},
    {FORM_FIELD(frame_4), FORM_FIELD(label_15), FORM_FIELD(comboBox_7), FORM_FIELD(label_16), 32},
    {FORM_FIELD(frame_5), FORM_FIELD(label_19), FORM_FIELD(comboBox_9), FORM_FIELD(label_20), 32},
    {FORM_FIELD(frame_6), FORM_FIELD(label_21), FORM_FIELD(comboBox_10), FORM_FIELD(label_22), 32},
};

struct LineDef {
    Field<QLabel> number;
    Field<QLineEdit> text;
    Field<QComboBox> size;
    Field<QComboBox> offsetX;
    Field<QComboBox> offsetY;
    Field<QPushButton> colour;
    Field<QCheckBox> bold;
    Field<QCheckBox> italic;
    Field<QCheckBox> vertical;
    int offsetXPlaceholders;  // items "0".."n-1" until the first load refills them
};

const LineDef LineDefs[LabelLines] = {
    {FORM_FIELD(label_4), FORM_FIELD(lineEdit), FORM_FIELD(comboBox_2), FORM_FIELD(comboBox_12),
     FORM_FIELD(comboBox_17), FORM_FIELD(pushButton_2), FORM_FIELD(checkBox_2), FORM_FIELD(checkBox_7),
     FORM_FIELD(checkBox_12), 16},
    {FORM_FIELD(label_14), FORM_FIELD(lineEdit_2), FORM_FIELD(comboBox_4), FORM_FIELD(comboBox_13),
     FORM_FIELD(comboBox_18), FORM_FIELD(pushButton_3), FORM_FIELD(checkBox_3), FORM_FIELD(checkBox_8),
     FORM_FIELD(checkBox_13), 6},
    {FORM_FIELD(label_17), FORM_FIELD(lineEdit_3), FORM_FIELD(comboBox_6), FORM_FIELD(comboBox_14),
     FORM_FIELD(comboBox_19), FORM_FIELD(pushButton_4), FORM_FIELD(checkBox_4), FORM_FIELD(checkBox_9),
     FORM_FIELD(checkBox_14), 6},
    {FORM_FIELD(label_18), FORM_FIELD(lineEdit_4), FORM_FIELD(comboBox_8), FORM_FIELD(comboBox_15),
     FORM_FIELD(comboBox_20), FORM_FIELD(pushButton_5), FORM_FIELD(checkBox_5), FORM_FIELD(checkBox_10),
     FORM_FIELD(checkBox_15), 6},
    {FORM_FIELD(label_23), FORM_FIELD(lineEdit_5), FORM_FIELD(comboBox_11), FORM_FIELD(comboBox_16),
     FORM_FIELD(comboBox_21), FORM_FIELD(pushButton_6), FORM_FIELD(checkBox_6), FORM_FIELD(checkBox_11),
     FORM_FIELD(checkBox_16), 6},
};
#undef FORM_FIELD

// Columns of the label lines in dialog coordinates; line i sits at LineTop + LineStep * i.
constexpr int LineTop = 330;
constexpr int LineStep = 20;
constexpr QRect LineNumber(30, 0, 21, 20);
constexpr QRect LineText(60, 0, 141, 20);
constexpr QRect LineSize(230, 0, 51, 21);
constexpr QRect LineOffsetX(310, 0, 51, 21);
constexpr QRect LineOffsetY(396, 0, 51, 21);
constexpr QRect LineColour(490, 0, 71, 23);
constexpr QRect LineBold(610, 0, 20, 20);
constexpr QRect LineItalic(670, 0, 20, 20);
constexpr QRect LineVertical(730, 0, 20, 20);

// Code rows inside the scan code group: frame n at CodeRowTop + CodeRowStep * n.
constexpr int CodeRowTop = 35;
constexpr int CodeRowStep = 20;
constexpr QRect CodeFrame(30, 0, 251, 21);
constexpr QRect CodeNumber(0, 0, 21, 21);
constexpr QRect CodeSelector(20, 0, 141, 21);
constexpr QRect CodeValue(190, 0, 71, 21);

constexpr int MaxLabelSize = 52;

QFont captionFont()
{
    QFont font(QStringLiteral("Segoe UI"), 9);
    font.setWeight(QFont::Normal);
    return font;
}

QFont valueFont()
{
    QFont font(QStringLiteral("Segoe UI"), 9);
    font.setWeight(QFont::Bold);
    return font;
}

template <class W>
W* make(Form& form, const Field<W>& field, QWidget* parent, const QRect& geometry)
{
    W* widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(field.name));
    widget->setGeometry(geometry);
    form.*field.member = widget;
    return widget;
}

QRect shifted(const QRect& column, int top) { return column.translated(0, top); }

void addNumberItems(QComboBox* box, int first, int last)
{
    for (int v = first; v <= last; ++v)
        box->addItem(QString::number(v));
}

QGroupBox* makeGroup(QWidget* parent, const char* name, const char* title, const QRect& geometry)
{
    auto* group = new QGroupBox(parent);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(geometry);
    group->setTitle(QString::fromUtf8(title));
    group->setFlat(true);
    group->setAlignment(Qt::AlignHCenter);
    return group;
}

}  // namespace

void Ui_BtnPropDialog::setupUi(QDialog* dialog)
{
    dialog->setObjectName(QStringLiteral("BtnPropDialog"));
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->resize(800, 501);
    dialog->setMinimumSize(800, 501);
    dialog->setMaximumSize(800, 501);
    dialog->setBaseSize(513, 221);
    dialog->setSizeGripEnabled(false);
    dialog->setWindowTitle(QStringLiteral("Свойства кнопки"));

    const QFont caption = captionFont();
    const QFont value = valueFont();
    auto makeCaption = [&](const Caption& c, QWidget* parent) {
        make(*this, c.field, parent, c.geometry)->setText(QString::fromUtf8(c.text));
        (this->*c.field.member)->setFont(caption);
    };

    // Group boxes first, so the controls placed over them in dialog coordinates
    // stack above them.
    groupBox = makeGroup(dialog, "groupBox", " Сканкоды ", QRect(10, 110, 311, 171));
    groupBox_2 = makeGroup(dialog, "groupBox_2", " Вид наклейки ", QRect(330, 20, 251, 251));
    groupBox_7 = makeGroup(dialog, "groupBox_7", " Параметры изображения ", QRect(9, 280, 781, 211));

    for (const Caption& c : DialogCaptions)
        makeCaption(c, dialog);
    for (const Caption& c : CodeCaptions)
        makeCaption(c, groupBox);
    makeCaption({{&Form::label_35, "label_35"}, "Цвет фона:", {400, 170, 81, 21}}, groupBox_7);

    auto makeValue = [&](QLabel* Form::*member, const char* name, const char* text, const QRect& geometry) {
        QLabel* l = make(*this, Field<QLabel>{member, name}, dialog, geometry);
        l->setText(QString::fromLatin1(text));
        l->setFont(value);
    };
    makeValue(&Form::label_10, "label_10", "col", QRect(83, 10, 31, 21));
    makeValue(&Form::label_13, "label_13", "row", QRect(170, 10, 31, 21));

    comboBox = make(*this, Field<QComboBox>{&Form::comboBox, "comboBox"}, dialog, QRect(230, 70, 91, 21));
    comboBox->setFont(value);
    addNumberItems(comboBox, 0, MaxKeyCodes);

    for (int n = 0; n < MaxKeyCodes; ++n) {
        const CodeRowDef& def = CodeRowDefs[n];
        CodeRow& r = codeRows[n];
        r.frame = make(*this, def.frame, groupBox, shifted(CodeFrame, CodeRowTop + CodeRowStep * n));
        r.frame->setFrameShape(QFrame::StyledPanel);
        r.frame->setFrameShadow(QFrame::Raised);
        r.number = make(*this, def.number, r.frame, CodeNumber);
        r.number->setText(QString::number(n + 1));
        r.number->setFont(caption);
        r.selector = make(*this, def.selector, r.frame, CodeSelector);
        r.selector->setFont(value);
        r.selector->setMaxVisibleItems(def.maxVisibleItems);
        r.value = make(*this, def.value, r.frame, CodeValue);
        r.value->setText(QStringLiteral("id_value"));
        r.value->setFont(value);
        // A row is usable only while the count selector includes it.
        for (QWidget* w : {static_cast<QWidget*>(r.frame), static_cast<QWidget*>(r.number),
                           static_cast<QWidget*>(r.selector), static_cast<QWidget*>(r.value)})
            w->setEnabled(false);
    }

    checkBox = make(*this, Field<QCheckBox>{&Form::checkBox, "checkBox"}, groupBox, QRect(10, 140, 291, 21));
    checkBox->setText(QStringLiteral("Привязать имя кнопки к названию первого кода"));
    checkBox->setFont(QFont(QStringLiteral("Segoe UI")));
    checkBox->setChecked(true);

    label_29 = make(*this, Field<QLabel>{&Form::label_29, "label_29"}, dialog, QRect(410, 60, 71, 71));
    label_29->setFrameShape(QFrame::NoFrame);
    label_29->setText(QStringLiteral("BtnView"));

    buttonBox = make(*this, Field<QDialogButtonBox>{&Form::buttonBox, "buttonBox"}, dialog, QRect(610, 10, 181, 111));
    buttonBox->setOrientation(Qt::Vertical);
    buttonBox->setCenterButtons(true);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Reset);
    QFont buttonFont;
    buttonFont.setWeight(QFont::Normal);
    buttonBox->setFont(buttonFont);

    for (int i = 0; i < LabelLines; ++i) {
        const LineDef& def = LineDefs[i];
        LabelLine& l = lines[i];
        const int top = LineTop + LineStep * i;
        l.number = make(*this, def.number, dialog, shifted(LineNumber, top));
        l.number->setText(QString::number(i + 1));
        l.number->setFont(caption);
        l.text = make(*this, def.text, dialog, shifted(LineText, top));
        l.text->setFont(value);
        l.text->setMaxLength(LabelUnits);
        l.size = make(*this, def.size, dialog, shifted(LineSize, top));
        addNumberItems(l.size, 1, MaxLabelSize);
        l.offsetX = make(*this, def.offsetX, dialog, shifted(LineOffsetX, top));
        addNumberItems(l.offsetX, 0, def.offsetXPlaceholders - 1);
        l.offsetY = make(*this, def.offsetY, dialog, shifted(LineOffsetY, top));
        addNumberItems(l.offsetY, 0, 5);
        for (QComboBox* box : {l.size, l.offsetX, l.offsetY})
            box->setFont(value);
        l.colour = make(*this, def.colour, dialog, shifted(LineColour, top));
        l.bold = make(*this, def.bold, dialog, shifted(LineBold, top));
        l.italic = make(*this, def.italic, dialog, shifted(LineItalic, top));
        l.vertical = make(*this, def.vertical, dialog, shifted(LineVertical, top));
    }

    pushButton = make(*this, Field<QPushButton>{&Form::pushButton, "pushButton"}, dialog, QRect(490, 446, 71, 31));

    QObject::connect(buttonBox, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttonBox, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QMetaObject::connectSlotsByName(dialog);
}
