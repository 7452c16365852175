// The file commands: open, add and save keymaps (*.kmp), open and save button views (*.btv).
#include "mainwindow.h"

#include "buttonviewfile.h"
#include "fileio.h"
#include "filemessages.h"
#include "keymapfile.h"
#include "keymapimgclass.h"

#include <QDebug>
#include <QFileInfo>

namespace {
const QString TitlePrefix = QStringLiteral("Редактор Раскладки ");

// A name typed without an ending (no dot in it, the toolkit dialog's own rule) gets the
// one its save command writes, so that the open dialog's filter shows the file; a name
// with another ending stays as typed.
QString withEnding(const QString& name, const QString& ending)
{
    const QString file = QFileInfo(name).fileName();
    if (file.isEmpty() || file.contains(QLatin1Char('.')))
        return name;
    return name + QLatin1Char('.') + ending;
}
}  // namespace

void MainWindow::replaceModel()
{
    delete keyMapImg;
    keyMapImg = new KeyMapImgClass;
}

void MainWindow::reportBadCodeCount()
{
    emit showmsg(MsgBadCodeCount, TitleFileError);
    qDebug().noquote() << MsgBadCodeCount;
}

bool MainWindow::askForKeymap(const QString& caption, QString& name, QByteArray& bytes)
{
    name = hooks.getOpenFileName(this, caption, QStringLiteral("/"), QStringLiteral("Keymap files (*.kmp)"));
    if (name.isEmpty() || !readFileHead(name, KeymapFileSize, bytes))
        return false;
    const KeymapFileCheck check = checkKeymapFile(bytes);
    if (!check.ok()) {
        emit showmsg(check.message(), TitleFileError);
        return false;
    }
    return true;
}

void MainWindow::on_OpenKeyMap_triggered()
{
    QString name;
    QByteArray bytes;
    if (!askForKeymap(QStringLiteral("Select Keymap file"), name, bytes))
        return;
    replaceModel();
    setViewMode(ScanCodeView);
    const DecodeResult result = decodeKeymapFile(bytes, *keyMapImg);
    for (const QPoint& key : result.changedKeys)
        refreshBtn(key.x(), key.y());
    if (result.complete()) {
        setWindowTitle(TitlePrefix + name);
        return;
    }
    refreshAllBtns();
    reportBadCodeCount();
}

void MainWindow::on_AddKeyMapToBtv_triggered()
{
    QString name;
    QByteArray bytes;
    if (!askForKeymap(QStringLiteral("Select Keymap file to add"), name, bytes))
        return;
    const DecodeResult result = mergeKeymapFile(bytes, *keyMapImg);
    for (const QPoint& key : result.changedKeys)
        refreshBtn(key.x(), key.y());
    if (!result.complete())
        reportBadCodeCount();
}

void MainWindow::on_SaveKeyMap_triggered()
{
    const QString name = withEnding(hooks.getSaveFileName(this, QStringLiteral("Сохранить раскладку"), QString(),
                                                          tr("Key Map Files (*.kmp);;All Files (*)")),
                                    QStringLiteral("kmp"));
    if (name.isEmpty())
        return;
    QString error;
    if (!saveKeymapFile(*keyMapImg, name, &error))
        emit showmsg(error, TitleSaveError);
}

void MainWindow::on_OpenBtnMap_triggered()
{
    const QString name = hooks.getOpenFileName(this, QStringLiteral("Select Button View file to open"),
                                               QStringLiteral("/"), QStringLiteral("Button View files (*.btv)"));
    if (name.isEmpty())
        return;
    QByteArray bytes;
    if (!readFileHead(name, ButtonViewFileSize, bytes))
        return;
    const ButtonViewFileCheck check = checkButtonViewFile(bytes);
    if (!check.ok()) {
        emit showmsg(check.message(), TitleFileError);
        return;
    }
    setViewMode(LayoutView);
    replaceModel();
    // A missing family is reported, and the codes shown, but the layout loads all the same.
    labelFontUsable(buttonViewFontFamily(bytes));
    const ButtonViewLoad result = loadButtonViewFile(bytes, *keyMapImg);
    for (const QPoint& key : result.loadedKeys)
        refreshBtn(key.x(), key.y());
    if (result.complete()) {
        setWindowTitle(TitlePrefix + name);
        return;
    }
    refreshAllBtns();
    emit showmsg(MsgBadCodeCount, TitleFileError);
}

void MainWindow::on_SaveBtnMap_triggered()
{
    const QString name = withEnding(hooks.getSaveFileName(this, QStringLiteral("Сохранить раскладку"), QString(),
                                                          tr("Button View Files (*.btv);;All Files (*)")),
                                    QStringLiteral("btv"));
    if (name.isEmpty())
        return;
    QString error;
    if (!saveButtonViewFile(*keyMapImg, name, &error))
        emit showmsg(error, TitleSaveError);
}
