// The recovery journal: a copy of the unsaved layout written shortly after each change,
// removed when the layout is saved, its changes given up or the editor ends cleanly,
// and offered back at the next start when the editor did not end cleanly.
#include "mainwindow.h"

#include "filemessages.h"
#include "keymapimgclass.h"
#include "recoveryjournal.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>

namespace {
// How long a change may wait to be written: a burst of edits is written once, and
// steady editing still every two seconds.
constexpr int JournalDelayMs = 2000;
}  // namespace

void MainWindow::enableRecoveryJournal(const QString& folder)
{
    journal = std::make_unique<RecoveryJournal>(folder);
    journalTimer = new QTimer(this);
    journalTimer->setObjectName(QStringLiteral("journalTimer"));
    journalTimer->setSingleShot(true);
    journalTimer->setInterval(JournalDelayMs);
    connect(journalTimer, &QTimer::timeout, this, &MainWindow::updateJournal);
    // Counted from the first change not yet written, never put off by the ones after it.
    connect(undoStack, &QUndoStack::indexChanged, journalTimer, [this] {
        if (!journalTimer->isActive())
            journalTimer->start();
    });
    connect(undoStack, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (clean)
            dropJournal();
    });
    journalLabel = new QLabel(this);
    statusBar()->addPermanentWidget(journalLabel);
}

void MainWindow::updateJournal()
{
    if (!isModified()) {
        dropJournal();
        return;
    }
    QString error;
    if (journal->write({currentFile, true, QDateTime::currentDateTime()}, *keyMapImg, &error))
        journalProblem.clear();
    // Said once, where it stays until a write succeeds: editing goes on regardless.
    else if (journalProblem.isEmpty())
        journalProblem = error;
    showJournalState();
}

void MainWindow::showJournalState()
{
    QString why;
    const QString kept = journal->keptJournal(&why);
    QString text;
    if (!journalProblem.isEmpty())
        text = QStringLiteral("Журнал восстановления не записан (%1)").arg(journalProblem);
    if (!kept.isEmpty() && text.isEmpty())
        text = QStringLiteral("Журнал восстановления не удалён (%1): %2").arg(why, kept);
    else if (!kept.isEmpty())
        text += QStringLiteral(", прежний не удалён: ") + kept;
    journalLabel->setText(text);
}

void MainWindow::dropJournal()
{
    if (!journal)
        return;
    journalTimer->stop();
    journal->remove();
    journalProblem.clear();
    showJournalState();
}

void MainWindow::offerRecovery()
{
    if (!journal)
        return;
    bool restored = false;
    for (LeftJournal& left : RecoveryJournal::leftBehind(journal->folder())) {
        if (!left.layout) {
            const QString where = RecoveryJournal::setAside(left);
            emit showmsg(QStringLiteral("Журнал восстановления повреждён (%1), отложен: %2").arg(left.damage, where),
                         TitleFileError);
            continue;
        }
        // One layout per window: the older ones wait for the next start.
        if (restored)
            continue;
        if (hooks.askRestore(this, left.entry.file, left.entry.written)) {
            restoreLayout(left);
            restored = true;
        } else if (QString why; !RecoveryJournal::discard(left, &why)) {
            journal->takeOver(std::move(left), why);
            showJournalState();
        }
    }
}

void MainWindow::restoreLayout(LeftJournal& left)
{
    setViewMode(LayoutView);
    delete keyMapImg;
    keyMapImg = left.layout.release();
    undoStack->clear();
    if (left.entry.modified)
        undoStack->resetClean();
    currentFile = left.entry.file;
    labelFontUsable(keyMapImg->getFontFamily());
    refreshAllBtns();
    // Its own journal takes over before the one it came from is removed: until it has
    // been written, that one is the only copy.
    journal->takeOver(std::move(left));
    updateJournal();
    // The file's name in the title comes last: it tells that the restore has ended,
    // its journal written or its problem shown.
    showFileInTitle(currentFile);
}
