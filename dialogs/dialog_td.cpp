#include "dialog_td.h"

#include "fontcheck.h"

#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

void Ui_Dialog_TD::setupUi(QDialog* d)
{
    d->setObjectName("Dialog_TD");
    d->resize(542, 151);
    d->setWindowTitle("Dialog");
    label_2 = new QLabel(d);
    label_2->setObjectName("label_2");
    label_2->setGeometry(30, 9, 151, 21);
    label_2->setText(QString::fromUtf8("Шрифт:"));
    fontComboBox = new QFontComboBox(d);
    fontComboBox->setObjectName("fontComboBox");
    fontComboBox->setGeometry(30, 30, 181, 21);
    fontComboBox->setEditable(false);
    fontComboBox->setFrame(true);
    fontComboBox->setWritingSystem(QFontDatabase::Cyrillic);
    fontComboBox->setFontFilters(QFontComboBox::ScalableFonts);
    QFont initial;
    initial.setFamily("Calibri");
    initial.setPointSize(10);
    fontComboBox->setCurrentFont(initial);
    groupBox_2 = new QGroupBox(d);
    groupBox_2->setObjectName("groupBox_2");
    groupBox_2->setGeometry(230, 29, 291, 61);
    groupBox_2->setTitle(QString());
    groupBox_2->setStyleSheet("background-color: rgb(248, 248, 248);");
    label = new QLabel(groupBox_2);
    label->setObjectName("label");
    label->setGeometry(0, 0, 291, 61);
    label->setAlignment(Qt::AlignCenter);
    label->setText(QString::fromUtf8("Аа Бб Вв Гг"));
    buttonBox = new QDialogButtonBox(d);
    buttonBox->setObjectName("buttonBox");
    buttonBox->setGeometry(320, 110, 201, 32);
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    groupBox_2->raise();
    buttonBox->raise();
    fontComboBox->raise();
    label_2->raise();
    QObject::connect(buttonBox, &QDialogButtonBox::accepted, d, [d] { d->QDialog::accept(); });
    QObject::connect(buttonBox, &QDialogButtonBox::rejected, d, [d] { d->QDialog::reject(); });
    QMetaObject::connectSlotsByName(d);
}

Dialog_TD::Dialog_TD(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui_Dialog_TD)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8("ОК"));
    ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("Отмена"));
}

Dialog_TD::~Dialog_TD()
{
    delete ui;
}

void Dialog_TD::preview(const QString& family)
{
    ui->label->setText(family);
    ui->label->setFont(QFont(family, 14, QFont::Normal, false));
    chosen = family;
}

void Dialog_TD::showdlg(QString family, QString title)
{
    if (!isFontFamilyInstalled(family))
        family = QStringLiteral("Arial");
    setWindowTitle(title);
    const QFont font(family, 14, QFont::Normal, false);
    ui->fontComboBox->setCurrentFont(font);
    // The list may show the family under a substitute's name; the preview and
    // OK keep the name asked for, so a stored family is never rewritten.
    preview(font.family());
    show();
}

void Dialog_TD::on_fontComboBox_currentTextChanged(const QString& family)
{
    // A family made by several foundries is listed as "Family [foundry]", a name that
    // only this machine knows; the layout keeps the family, which any machine resolves.
    static const QRegularExpression withFoundry(QStringLiteral("^(.+) \\[[^\\]]+\\]$"));
    const QRegularExpressionMatch listed = withFoundry.match(family);
    preview(listed.hasMatch() ? listed.captured(1) : family);
}

void Dialog_TD::on_buttonBox_accepted()
{
    emit storefontfam(chosen);
}
