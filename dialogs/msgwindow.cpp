#include "msgwindow.h"

#include <QDebug>
#include <QDialogButtonBox>
#include <QLabel>

void Ui_msgwindow::setupUi(QDialog* d)
{
    d->setObjectName("msgwindow");
    d->resize(372, 77);
    d->setMinimumSize(372, 77);
    d->setMaximumSize(372, 77);
    d->setModal(true);
    d->setWindowTitle(QString());
    label = new QLabel(d);
    label->setObjectName("label");
    label->setGeometry(10, 10, 351, 31);
    QFont font;
    font.setFamily("Segoe UI");
    font.setPointSize(10);
    label->setFont(font);
    label->setText("TextLabel");
    buttonBox = new QDialogButtonBox(d);
    buttonBox->setObjectName("buttonBox");
    buttonBox->setGeometry(20, 40, 341, 32);
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok);
    QObject::connect(buttonBox, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(buttonBox, &QDialogButtonBox::rejected, d, [d] { d->QDialog::reject(); });
    QMetaObject::connectSlotsByName(d);
}

msgwindow::msgwindow(QWidget* parent)
    : QDialog(parent, Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(new Ui_msgwindow)
{
    ui->setupUi(this);
    // Title only: the window is closed with OK.
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint & ~Qt::WindowCloseButtonHint);
}

msgwindow::~msgwindow()
{
    delete ui;
}

void msgwindow::showmsg(QString text, QString title)
{
    setWindowTitle(title);
    ui->label->setText(text);
    show();
}

void msgwindow::accept()
{
    qDebug() << "msgclosed";
    emit cls();
    close();
}
