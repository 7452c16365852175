// The file commands: open, add and save keymaps (*.kmp), open and save button views
// (*.btv), and files opened from outside (command line, drops), behind the question
// about unsaved changes.
#include "mainwindow.h"

#include "buttonviewfile.h"
#include "fileio.h"
#include "filemessages.h"
#include "keymapfile.h"
#include "keymapimgclass.h"
#include "layoutcsv.h"
#include "layoutjson.h"
#include "layoutsource.h"
#include "keyselection.h"

#include <QCloseEvent>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QStatusBar>
#include <QUndoStack>

namespace {
const QString TitlePrefix = QStringLiteral("Редактор Раскладки ");

// Why `path` cannot be read, in the words of the system.
QString unreadableReason(const QString& path)
{
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        f.read(1);
    return f.errorString();
}

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

// The local files of a drop that the editor can open.
QStringList droppedLayoutFiles(const QMimeData* mime)
{
    QStringList out;
    if (mime && mime->hasUrls())
        for (const QUrl& url : mime->urls())
            if (url.isLocalFile() && layoutKindOf(url.toLocalFile()) != LayoutKind::Unknown)
                out << url.toLocalFile();
    return out;
}
}  // namespace

void MainWindow::setUpOpenProblem()
{
    openProblemLabel = new QLabel(this);
    openProblemLabel->setObjectName(QStringLiteral("openProblemMark"));
    statusBar()->addPermanentWidget(openProblemLabel);
}

bool MainWindow::openableFile(const QString& path)
{
    // Asked before the open: a named pipe would hold the window until someone writes to it.
    const QString reason = notRegularFileReason(path);
    if (reason.isEmpty())
        openProblemLabel->clear();
    else
        openProblemLabel->setText(QStringLiteral("Не удалось открыть (%1): %2").arg(reason, path));
    return reason.isEmpty();
}

void MainWindow::replaceModel(const QString& file)
{
    delete keyMapImg;
    keyMapImg = new KeyMapImgClass;
    currentFile = file;
    selection->clear();
}

void MainWindow::showFileInTitle(const QString& file)
{
    setWindowTitle(TitlePrefix + file);
}

void MainWindow::reportBadCodeCount()
{
    emit showmsg(MsgBadCodeCount, TitleFileError);
    qDebug().noquote() << MsgBadCodeCount;
}

bool MainWindow::isModified() const
{
    return !undoStack->isClean();
}

bool MainWindow::maybeSaveChanges()
{
    if (!isModified())
        return true;
    switch (hooks.askSaveChanges(this)) {
    case MainWindowHooks::SaveChanges::Save: return saveButtonView();
    // The journal stays until a layout has replaced this one: an open may still fail.
    case MainWindowHooks::SaveChanges::Discard: return true;
    case MainWindowHooks::SaveChanges::Cancel: break;
    }
    return false;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (exitAnswered || maybeSaveChanges()) {
        // Its changes saved or given up, the layout goes with the window.
        dropJournal();
        event->accept();
    } else {
        event->ignore();
    }
}

bool MainWindow::checkedKeymap(const QByteArray& bytes)
{
    const KeymapFileCheck check = checkKeymapFile(bytes);
    if (!check.ok())
        emit showmsg(check.message(), TitleFileError);
    return check.ok();
}

bool MainWindow::askForKeymap(const QString& caption, QString& name, QByteArray& bytes)
{
    name = hooks.getOpenFileName(this, caption, QStringLiteral("/"), QStringLiteral("Keymap files (*.kmp)"));
    if (name.isEmpty() || !openableFile(name) || !readFileHead(name, KeymapFileSize, bytes))
        return false;
    return checkedKeymap(bytes);
}

void MainWindow::openKeymapBytes(const QString& name, const QByteArray& bytes)
{
    replaceModel(name);
    undoStack->clear();
    setViewMode(ScanCodeView);
    const DecodeResult result = decodeKeymapFile(bytes, *keyMapImg);
    for (const QPoint& key : result.changedKeys)
        refreshBtn(key.x(), key.y());
    if (result.complete()) {
        showFileInTitle(name);
        return;
    }
    refreshAllBtns();
    reportBadCodeCount();
}

void MainWindow::on_OpenKeyMap_triggered()
{
    if (!maybeSaveChanges())
        return;
    QString name;
    QByteArray bytes;
    if (askForKeymap(QStringLiteral("Select Keymap file"), name, bytes))
        openKeymapBytes(name, bytes);
}

void MainWindow::on_AddKeyMapToBtv_triggered()
{
    QString name;
    QByteArray bytes;
    if (!askForKeymap(QStringLiteral("Select Keymap file to add"), name, bytes))
        return;
    const LayoutKeys before = readAllKeys(*keyMapImg);
    const DecodeResult result = mergeKeymapFile(bytes, *keyMapImg);
    for (const QPoint& key : result.changedKeys)
        refreshBtn(key.x(), key.y());
    recordChanges(QStringLiteral("добавление карты сканкодов"), before);
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

void MainWindow::openButtonViewBytes(const QString& name, const QByteArray& bytes)
{
    const ButtonViewFileCheck check = checkButtonViewFile(bytes);
    if (!check.ok()) {
        emit showmsg(check.message(), TitleFileError);
        return;
    }
    setViewMode(LayoutView);
    replaceModel(name);
    undoStack->clear();
    // A missing family is reported, and the codes shown, but the layout loads all the same.
    labelFontUsable(buttonViewFontFamily(bytes));
    const ButtonViewLoad result = loadButtonViewFile(bytes, *keyMapImg);
    for (const QPoint& key : result.loadedKeys)
        refreshBtn(key.x(), key.y());
    if (result.complete()) {
        showFileInTitle(name);
        return;
    }
    refreshAllBtns();
    emit showmsg(MsgBadCodeCount, TitleFileError);
}

void MainWindow::on_OpenBtnMap_triggered()
{
    if (!maybeSaveChanges())
        return;
    const QString name = hooks.getOpenFileName(this, QStringLiteral("Select Button View file to open"),
                                               QStringLiteral("/"), QStringLiteral("Button View files (*.btv)"));
    if (name.isEmpty() || !openableFile(name))
        return;
    QByteArray bytes;
    if (readFileHead(name, ButtonViewFileSize, bytes))
        openButtonViewBytes(name, bytes);
}

bool MainWindow::saveButtonView()
{
    const QString name = withEnding(hooks.getSaveFileName(this, QStringLiteral("Сохранить раскладку"), QString(),
                                                          tr("Button View Files (*.btv);;All Files (*)")),
                                    QStringLiteral("btv"));
    if (name.isEmpty())
        return false;
    QString error;
    if (!saveButtonViewFile(*keyMapImg, name, &error)) {
        emit showmsg(error, TitleSaveError);
        return false;
    }
    currentFile = name;
    undoStack->setClean();
    return true;
}

void MainWindow::on_SaveBtnMap_triggered()
{
    saveButtonView();
}

// A JSON or CSV layout opens as a button view does: the layout view, its font checked.
void MainWindow::openTextLayoutBytes(LayoutKind kind, const QString& name, const QByteArray& bytes)
{
    QString error;
    std::unique_ptr<KeyMapImgClass> loaded;
    if (bytes.size() > MaxJsonLayoutBytes)
        error = QStringLiteral("файл слишком велик");
    else
        loaded = kind == LayoutKind::Csv ? layoutFromCsv(bytes, &error) : layoutFromJson(bytes, &error);
    if (!loaded) {
        emit showmsg(MsgFormatError + QStringLiteral(": ") + error, TitleFileError);
        return;
    }
    setViewMode(LayoutView);
    delete keyMapImg;
    keyMapImg = loaded.release();
    currentFile = name;
    selection->clear();
    undoStack->clear();
    labelFontUsable(keyMapImg->getFontFamily());
    refreshAllBtns();
    showFileInTitle(name);
}

void MainWindow::openFile(const QString& path)
{
    const LayoutKind kind = layoutKindOf(path);
    if (kind == LayoutKind::Unknown) {
        emit showmsg(QStringLiteral("Неизвестный тип файла (нужен .btv, .kmp, .json или .csv): ") + path, TitleFileError);
        return;
    }
    if (!openableFile(path) || !maybeSaveChanges())
        return;
    QByteArray bytes;
    if (!readFileHead(path, layoutReadLimit(kind), bytes)) {
        emit showmsg(QStringLiteral("Не удалось открыть (%1): %2").arg(unreadableReason(path), path), TitleFileError);
        return;
    }
    switch (kind) {
    case LayoutKind::Keymap:
        if (checkedKeymap(bytes))
            openKeymapBytes(path, bytes);
        break;
    case LayoutKind::ButtonView:
        openButtonViewBytes(path, bytes);
        break;
    case LayoutKind::Json:
    case LayoutKind::Csv:
        openTextLayoutBytes(kind, path, bytes);
        break;
    case LayoutKind::Unknown:
        break;
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedLayoutFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QStringList files = droppedLayoutFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop is over: the question about unsaved changes is a dialog of its own.
    const QString path = files.first();
    QMetaObject::invokeMethod(this, [this, path] { openFile(path); }, Qt::QueuedConnection);
}
