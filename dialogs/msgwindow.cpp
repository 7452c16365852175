#include "msgwindow.h"

#include <QDebug>
#include <QDialogButtonBox>
#include <QFontMetrics>
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
    ui->label->setText(fitted(text));
    show();
}

namespace {
// `path` in at most `width` pixels: its folders give way in their middle, and where
// `wholeName` allows, a name too long on its own too. Empty when it cannot be made to fit.
QString shortPath(const QFontMetrics& fm, const QString& path, int width, bool wholeName)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = path.left(slash + 1), name = path.mid(slash + 1);
    const QString dots = QStringLiteral("…");
    // Measured whole, as drawn: the parts' widths do not quite add up.
    for (int room = width; room > fm.horizontalAdvance(dots); room -= 2) {
        const int forFolder = room - fm.horizontalAdvance(name);
        QString shown;
        if (forFolder >= fm.horizontalAdvance(dots))
            shown = fm.elidedText(folder, Qt::ElideMiddle, forFolder) + name;
        else if (!wholeName)
            shown = dots + fm.elidedText(name, Qt::ElideMiddle, room - fm.horizontalAdvance(dots));
        else
            return {};
        if (fm.horizontalAdvance(shown) <= width)
            return shown;
    }
    return {};
}
}  // namespace

QString msgwindow::fitted(const QString& text) const
{
    const QFontMetrics fm = ui->label->fontMetrics();
    const int room = ui->label->contentsRect().width();
    // Messages about a file give the reason first and the file's path last, after ": ".
    const qsizetype at = text.indexOf(QStringLiteral(": /"));
    if (at < 0 || fm.horizontalAdvance(text) <= room)
        return text;
    const QString head = text.left(at + 2), path = text.mid(at + 2);
    const QString beside = shortPath(fm, path, room - fm.horizontalAdvance(head), true);
    if (!beside.isEmpty())
        return head + beside;
    // A long reason leaves the name no room beside it: the path gets the label's second line.
    const QString below = shortPath(fm, path, room, false);
    return text.left(at + 1) + QLatin1Char('\n') + (below.isEmpty() ? path : below);
}

void msgwindow::accept()
{
    qDebug() << "msgclosed";
    emit cls();
    close();
}
