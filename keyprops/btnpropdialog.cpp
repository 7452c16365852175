#include "btnpropdialog.h"
#include "hexcodes.h"

#include "btnpropdialog_form.h"
#include "keyface.h"
#include "keymapimgclass.h"
#include "keynames.h"
#include "pixelratiowatch.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

// The embedded icon lives in this static library; its initialiser must be pulled in
// by hand, and the macro only works outside a namespace.
static void initKeypropsResources() { Q_INIT_RESOURCE(keyprops); }

namespace {

QColor askColorDialog(const QColor& initial, QWidget* parent, const QString& title)
{
    return QColorDialog::getColor(initial, parent, title);
}

// A technician's own "Wrench.png" in the working directory wins; otherwise the
// dialog carries the project's own wrench. Only a regular file is read: a pipe of that
// name would hold the dialog until someone writes to it.
QIcon wrenchIcon()
{
    QPixmap own;
    if (QFileInfo(QStringLiteral("Wrench.png")).isFile() && own.load(QStringLiteral("Wrench.png")))
        return QIcon(own);
    initKeypropsResources();
    return QIcon(QStringLiteral(":/keyprops/wrench.png"));
}

// Selects `index`, or nothing when the selector has no such item: a stored value
// the selector cannot show must not be replaced by a neighbouring one.
void selectIndex(QComboBox* box, qint64 index)
{
    box->setCurrentIndex(index >= 0 && index < box->count() ? int(index) : -1);
}

TFontStyle styleOf(bool bold, bool italic)
{
    if (bold && italic)
        return fsBoldItalic;
    if (bold)
        return fsBold;
    if (italic)
        return fsItalic;
    return fsNormal;
}

QString hexLower(uint8_t code) { return QString::asprintf("0x%02x", code); }

bool isTableIndex(int index) { return index >= 0 && index < SelectableKeyNames; }

constexpr TColor White{255, 255, 255};
constexpr TColor Black{0, 0, 0};
constexpr int ResetSizeIndex = 12;  // shows "13"

}  // namespace

BtnPropDialog::BtnPropDialog(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui_BtnPropDialog)
    , colorPicker(askColorDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
    ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    ui->buttonBox->button(QDialogButtonBox::Reset)->setText(QStringLiteral("Сброс"));
    setWindowIcon(wrenchIcon());

    for (int i = 0; i < LabelLines; ++i) {
        boldBoxes[i] = ui->lines[i].bold;
        italicBoxes[i] = ui->lines[i].italic;
        verticalBoxes[i] = ui->lines[i].vertical;
        colorButtons[i] = ui->lines[i].colour;
        btnnamecolor[i] = White;
        loadedSizes[i] = 12;
        loadedStyles[i] = fsNormal;
        // Choosing the item already shown changes no index, but it is a choice all the same.
        connect(ui->lines[i].size, &QComboBox::activated, this, [this, i] { sizeChanged(i); });
    }
    btncolor = White;

    QStringList names;
    for (int i = 0; !keyNameAt(i).isEmpty(); ++i)
        names << keyNameAt(i);
    // Filling must not run the code handlers: until the first load the value labels
    // keep their placeholder and line 1 stays empty.
    for (const auto& r : ui->codeRows) {
        const QSignalBlocker block(r.selector);
        r.selector->addItems(names);
    }

    ui->label_29->setStyleSheet(QStringLiteral("border: 1px solid rgb(217, 217, 217);border-radius: 4px;\n"));
    watchPixelRatio(this, [this] { refreshPreview(); });
}

BtnPropDialog::~BtnPropDialog() { delete ui; }

void BtnPropDialog::setColorPicker(ColorPicker picker)
{
    colorPicker = picker ? std::move(picker) : ColorPicker(askColorDialog);
}

QString BtnPropDialog::colorStyleSheet(TColor c)
{
    return QStringLiteral("border: 1px solid rgb(217, 217, 217);") + QStringLiteral("background-color: rgb(") +
           QString::asprintf("%d, %d, %d", c.red, c.green, c.blue) + QStringLiteral("); border-radius: 2px;");
}

// The order matters: changing a control here runs the same handlers as a change by
// the user, and later steps overwrite what those handlers set.
void BtnPropDialog::loadKey(int col, int row, KeyMapImgClass* model)
{
    if (!model || col < 0 || col >= KeyCols || row < 0 || row >= KeyRows)
        return;
    loadedKeyMap = model->getKeyMap(col, row);
    for (int i = 0; i < LabelLines; ++i) {
        loadedSizes[i] = model->getBtnNameSize(col, row, i);
        loadedPositions[i] = model->getBtnNamePos(col, row, i);
    }

    ui->checkBox->setChecked(model->getLink(col, row));
    this->col = col;
    this->row = row;
    const QSize faceSize = model->getBtnSize(col, row);
    keyWidth = faceSize.width();
    keyHeight = faceSize.height();

    for (int i = 0; i < LabelLines; ++i) {
        btnnamecolor[i] = model->getBtnNameColor(col, row, i);
        switch (model->getFontStyle(col, row, i)) {
        case fsNormal: boldBoxes[i]->setChecked(false); italicBoxes[i]->setChecked(false); break;
        case fsBold: boldBoxes[i]->setChecked(true); italicBoxes[i]->setChecked(false); break;
        case fsItalic: boldBoxes[i]->setChecked(false); italicBoxes[i]->setChecked(true); break;
        case fsBoldItalic: boldBoxes[i]->setChecked(true); italicBoxes[i]->setChecked(true); break;
        default: break;  // an unknown style leaves the boxes as they were
        }
        verticalBoxes[i]->setChecked(model->getVertName(col, row, i));
    }
    for (int i = 0; i < LabelLines; ++i) {
        loadedStyles[i] = model->getFontStyle(col, row, i);
        keepStoredStyle[i] = loadedStyles[i] < fsNormal || loadedStyles[i] > fsBoldItalic;
    }
    btncolor = model->getBtnColor(col, row);

    showCode(0, loadedKeyMap.pairs[0].code);
    const QString storedLine1 = model->getBtnName(col, row, 0);
    if (ui->checkBox->isChecked() && storedLine1.isEmpty())
        ui->lineEdit->setText(loadedKeyMap.count == 0 ? QString() : keyCodeName(loadedKeyMap.pairs[0].code));
    else
        ui->lineEdit->setText(storedLine1);
    for (int i = 1; i < LabelLines; ++i)
        ui->lines[i].text->setText(model->getBtnName(col, row, i));
    for (int j = 1; j < MaxKeyCodes; ++j)
        showCode(j, loadedKeyMap.pairs[j].code);

    ui->label_10->setText(QString::asprintf("%d", col + 1));
    ui->label_13->setText(QString::asprintf("%d", row + 1));
    ui->comboBox->setCurrentIndex(loadedKeyMap.count);
    move(100, 100);

    for (int i = 0; i < LabelLines; ++i) {
        const int size = loadedSizes[i];
        selectIndex(ui->lines[i].size, size == 0 ? 0 : size - 1);
        keepStoredSize[i] = size == 0;
    }
    refillOffsets();
    for (int i = 0; i < LabelLines; ++i) {
        selectIndex(ui->lines[i].offsetX, qint64(keyWidth / 2) + loadedPositions[i].x);
        selectIndex(ui->lines[i].offsetY, qint64(keyHeight / 2) + loadedPositions[i].y);
    }

    ui->label_29->resize(keyWidth, keyHeight);
    fontfamily = model->getFontFamily();
    ui->label_29->setPixmap(previewPixmap());

    for (int i = 0; i < LabelLines; ++i)
        colorButtons[i]->setStyleSheet(colorStyleSheet(btnnamecolor[i]));
    ui->pushButton->setStyleSheet(colorStyleSheet(btncolor));
}

void BtnPropDialog::refillOffsets()
{
    auto offsets = [](int extent) {
        QStringList items;
        for (int k = 0; k < extent; ++k)
            items << QString::number(k - extent / 2);
        return items;
    };
    const QStringList xs = offsets(keyWidth);
    const QStringList ys = offsets(keyHeight);
    for (const auto& line : ui->lines) {
        line.offsetX->clear();
        line.offsetX->addItems(xs);
        line.offsetY->clear();
        line.offsetY->addItems(ys);
    }
}

uint8_t BtnPropDialog::codeOfRow(int row) const
{
    const int index = ui->codeRows[row].selector->currentIndex();
    return isTableIndex(index) ? KeyNames[index].code : loadedKeyMap.pairs[row].code;
}

void BtnPropDialog::showCode(int row, uint8_t code)
{
    const int index = findKeyIndex(code);
    selectIndex(ui->codeRows[row].selector, isTableIndex(index) ? index : -1);
    ui->codeRows[row].value->setText(hexLower(codeOfRow(row)));
}

void BtnPropDialog::codeChanged(int row, int index)
{
    // Without a selection the row still stands for the stored code.
    ui->codeRows[row].value->setText(isTableIndex(index) ? hexCode0x(KeyNames[index].code)
                                                         : hexLower(loadedKeyMap.pairs[row].code));
}

// Line 1 takes the name of the first code; a code the table lacks has no name, and
// then line 1 keeps its text.
void BtnPropDialog::linkFirstCodeName()
{
    const int index = ui->comboBox_3->currentIndex();
    if (isTableIndex(index))
        ui->lineEdit->setText(keyNameAt(index));
}

void BtnPropDialog::on_comboBox_currentIndexChanged(int n)
{
    if (n < 0 || n > MaxKeyCodes)
        return;
    for (int r = 0; r < MaxKeyCodes; ++r) {
        const auto& cr = ui->codeRows[r];
        for (QWidget* w : {static_cast<QWidget*>(cr.frame), static_cast<QWidget*>(cr.number),
                           static_cast<QWidget*>(cr.selector), static_cast<QWidget*>(cr.value)})
            w->setEnabled(r < n);
    }
    if (n == 1 && ui->checkBox->isChecked())
        linkFirstCodeName();
}

void BtnPropDialog::on_comboBox_3_currentIndexChanged(int index)
{
    codeChanged(0, index);
    if (ui->checkBox->isChecked())
        linkFirstCodeName();
}

void BtnPropDialog::on_comboBox_5_currentIndexChanged(int index) { codeChanged(1, index); }
void BtnPropDialog::on_comboBox_7_currentIndexChanged(int index) { codeChanged(2, index); }
void BtnPropDialog::on_comboBox_9_currentIndexChanged(int index) { codeChanged(3, index); }
void BtnPropDialog::on_comboBox_10_currentIndexChanged(int index) { codeChanged(4, index); }

void BtnPropDialog::on_checkBox_clicked(bool checked)
{
    if (checked && ui->comboBox->currentIndex() != 0)
        linkFirstCodeName();
}

void BtnPropDialog::on_buttonBox_clicked(QAbstractButton* button)
{
    emit UncheckBtn(col, row);
    // Buttons are told apart by identity rather than by caption: a platform theme may
    // add accelerator marks to the captions.
    if (button == ui->buttonBox->button(QDialogButtonBox::Ok))
        saveKey();
    else if (button == ui->buttonBox->button(QDialogButtonBox::Reset))
        resetKey();
}

TKeyMap BtnPropDialog::currentKeyMap() const
{
    TKeyMap map;
    int count = ui->comboBox->currentIndex();
    if (count < 0)
        count = std::min<int>(loadedKeyMap.count, MaxKeyCodes);
    map.count = uint8_t(count);
    for (int j = 0; j < count; ++j)
        map.pairs[j].code = codeOfRow(j);
    for (auto& pair : map.pairs)
        pair.modifiers = sentModifiers(pair);
    return map;
}

BtnPropDialog::Label BtnPropDialog::currentLabel() const
{
    Label label;
    for (int i = 0; i < LabelLines; ++i) {
        const auto& line = ui->lines[i];
        label.texts[i] = line.text->text();
        const int x = line.offsetX->currentIndex();
        const int y = line.offsetY->currentIndex();
        label.positions[i] = {x >= 0 ? x - keyWidth / 2 : loadedPositions[i].x,
                              y >= 0 ? y - keyHeight / 2 : loadedPositions[i].y};
        const int size = line.size->currentIndex();
        label.sizes[i] = size >= 0 && !keepStoredSize[i] ? uint8_t(size + 1) : loadedSizes[i];
        label.styles[i] = keepStoredStyle[i] ? loadedStyles[i]
                                             : styleOf(boldBoxes[i]->isChecked(), italicBoxes[i]->isChecked());
        label.vertical[i] = verticalBoxes[i]->checkState() != Qt::Unchecked;
    }
    return label;
}

QPixmap BtnPropDialog::previewPixmap() const
{
    const Label label = currentLabel();
    return renderKeyFace(label.texts, btnnamecolor, label.positions, label.sizes, btncolor, label.styles,
                         label.vertical, keyWidth, keyHeight, fontfamily, ui->label_29->devicePixelRatioF());
}

void BtnPropDialog::refreshPreview()
{
    if (!isVisible())
        return;
    ui->label_29->setPixmap(previewPixmap());
}

void BtnPropDialog::saveKey()
{
    const TKeyMap keymap = currentKeyMap();
    Label label = currentLabel();
    emit SaveBtnMapFromDialog(col, row, keymap, label.texts, ui->checkBox->isChecked(), btnnamecolor, label.positions,
                              label.sizes, btncolor, label.styles, label.vertical);
}

// Only the controls change; the model keeps the key until OK.
void BtnPropDialog::resetKey()
{
    std::fill(std::begin(keepStoredStyle), std::end(keepStoredStyle), false);
    std::fill(std::begin(keepStoredSize), std::end(keepStoredSize), false);
    ui->checkBox->setChecked(false);
    btncolor = White;
    for (int i = 0; i < LabelLines; ++i) {
        btnnamecolor[i] = Black;
        boldBoxes[i]->setChecked(false);
        italicBoxes[i]->setChecked(false);
        verticalBoxes[i]->setChecked(false);
        colorButtons[i]->setStyleSheet(colorStyleSheet(Black));
    }
    ui->pushButton->setStyleSheet(colorStyleSheet(White));

    showCode(0, 0);
    for (const auto& line : ui->lines)
        line.text->clear();
    for (int j = 1; j < MaxKeyCodes; ++j)
        showCode(j, 0);
    ui->comboBox->setCurrentIndex(0);
    for (const auto& line : ui->lines) {
        line.size->setCurrentIndex(ResetSizeIndex);
        line.offsetX->setCurrentIndex(keyWidth / 2);
        line.offsetY->setCurrentIndex(keyHeight / 2);
    }

    ui->label_29->resize(keyWidth, keyHeight);
    ui->label_29->setPixmap(previewPixmap());
}

void BtnPropDialog::reject()
{
    // Hidden rather than finished: the main window keeps this one dialog for its life.
    emit UncheckBtn(col, row);
    setVisible(false);
}

void BtnPropDialog::closeEvent(QCloseEvent* event)
{
    emit UncheckBtn(col, row);
    event->accept();
}

void BtnPropDialog::pickColor(TColor& colour, QPushButton* button, const QString& title)
{
    const QColor chosen = colorPicker(toQColor(colour), this, title);
    if (!chosen.isValid())
        return;
    colour = {uint8_t(chosen.red()), uint8_t(chosen.green()), uint8_t(chosen.blue())};
    button->setStyleSheet(colorStyleSheet(colour));
    ui->label_29->setPixmap(previewPixmap());
}

void BtnPropDialog::pickLineColor(int line)
{
    pickColor(btnnamecolor[line], colorButtons[line], QStringLiteral("Цвет шрифта метки %1").arg(line + 1));
}

void BtnPropDialog::on_pushButton_clicked() { pickColor(btncolor, ui->pushButton, QStringLiteral("Цвет фона")); }
void BtnPropDialog::on_pushButton_2_clicked() { pickLineColor(0); }
void BtnPropDialog::on_pushButton_3_clicked() { pickLineColor(1); }
void BtnPropDialog::on_pushButton_4_clicked() { pickLineColor(2); }
void BtnPropDialog::on_pushButton_5_clicked() { pickLineColor(3); }
void BtnPropDialog::on_pushButton_6_clicked() { pickLineColor(4); }

void BtnPropDialog::styleBoxChanged(int line)
{
    keepStoredStyle[line] = false;
    refreshPreview();
}

void BtnPropDialog::sizeChanged(int line)
{
    keepStoredSize[line] = false;
    refreshPreview();
}

// Every edit of a text, size, offset or style redraws the preview.
void BtnPropDialog::on_lineEdit_textChanged(const QString&) { refreshPreview(); }
void BtnPropDialog::on_lineEdit_2_textChanged(const QString&) { refreshPreview(); }
void BtnPropDialog::on_lineEdit_3_textChanged(const QString&) { refreshPreview(); }
void BtnPropDialog::on_lineEdit_4_textChanged(const QString&) { refreshPreview(); }
void BtnPropDialog::on_lineEdit_5_textChanged(const QString&) { refreshPreview(); }
void BtnPropDialog::on_comboBox_2_currentIndexChanged(int) { sizeChanged(0); }
void BtnPropDialog::on_comboBox_4_currentIndexChanged(int) { sizeChanged(1); }
void BtnPropDialog::on_comboBox_6_currentIndexChanged(int) { sizeChanged(2); }
void BtnPropDialog::on_comboBox_8_currentIndexChanged(int) { sizeChanged(3); }
void BtnPropDialog::on_comboBox_11_currentIndexChanged(int) { sizeChanged(4); }
void BtnPropDialog::on_comboBox_12_currentIndexChanged(int) { refreshPreview(); }
void BtnPropDialog::on_comboBox_13_currentIndexChanged(int) { refreshPreview(); }
void BtnPropDialog::on_comboBox_14_currentIndexChanged(int) { refreshPreview(); }
void BtnPropDialog::on_comboBox_15_currentIndexChanged(int) { refreshPreview(); }
void BtnPropDialog::on_comboBox_16_currentIndexChanged(int) { refreshPreview(); }
void BtnPropDialog::on_comboBox_17_currentIndexChanged(int) { refreshPreview(); }
void BtnPropDialog::on_comboBox_18_currentIndexChanged(int) { refreshPreview(); }
void BtnPropDialog::on_comboBox_19_currentIndexChanged(int) { refreshPreview(); }
void BtnPropDialog::on_comboBox_20_currentIndexChanged(int) { refreshPreview(); }
void BtnPropDialog::on_comboBox_21_currentIndexChanged(int) { refreshPreview(); }
void BtnPropDialog::on_checkBox_2_stateChanged(int) { styleBoxChanged(0); }
void BtnPropDialog::on_checkBox_3_toggled(bool) { styleBoxChanged(1); }
void BtnPropDialog::on_checkBox_4_toggled(bool) { styleBoxChanged(2); }
void BtnPropDialog::on_checkBox_5_toggled(bool) { styleBoxChanged(3); }
void BtnPropDialog::on_checkBox_6_toggled(bool) { styleBoxChanged(4); }
void BtnPropDialog::on_checkBox_7_toggled(bool) { styleBoxChanged(0); }
void BtnPropDialog::on_checkBox_8_toggled(bool) { styleBoxChanged(1); }
void BtnPropDialog::on_checkBox_9_toggled(bool) { styleBoxChanged(2); }
void BtnPropDialog::on_checkBox_10_toggled(bool) { styleBoxChanged(3); }
void BtnPropDialog::on_checkBox_11_toggled(bool) { styleBoxChanged(4); }
void BtnPropDialog::on_checkBox_12_toggled(bool) { refreshPreview(); }
void BtnPropDialog::on_checkBox_13_toggled(bool) { refreshPreview(); }
void BtnPropDialog::on_checkBox_14_toggled(bool) { refreshPreview(); }
void BtnPropDialog::on_checkBox_15_toggled(bool) { refreshPreview(); }
void BtnPropDialog::on_checkBox_16_toggled(bool) { refreshPreview(); }
