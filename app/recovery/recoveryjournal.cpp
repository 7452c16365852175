#include "recoveryjournal.h"

#include "fileio.h"
#include "fileproblem.h"
#include "keymapimgclass.h"
#include "layoutjson.h"
#include "layoutsource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <algorithm>

namespace {
const QString Ending = QStringLiteral(".journal");

QString lockPathOf(const QString& journalPath)
{
    return journalPath.chopped(Ending.size()) + QStringLiteral(".lock");
}

// A lock is free only when its editor has ended: the time since it was taken says nothing.
std::unique_ptr<QLockFile> newLock(const QString& path)
{
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    return lock;
}

// Whether the editor that left a lock has ended, where the lock cannot be removed to be
// taken over: a copy of it in a folder that can be written is taken over, by QLockFile's
// own rules, only when the editor it names no longer runs.
bool editorEnded(const QString& lockPath)
{
    const QTemporaryDir dir;
    const QString copy = dir.path() + QStringLiteral("/left.lock");
    if (!dir.isValid() || !QFile::copy(lockPath, copy))
        return false;
    const auto probe = newLock(copy);
    return probe->tryLock(0);
}

enum class LeftLock { Taken, InUse, Unlockable };

// The lock of a journal left behind. One not taken is held by an editor that still runs,
// or the folder takes no file now (full, read-only), so that neither a new lock nor the
// removal of a stale one can be made: then it is offered all the same.
LeftLock takeLeftLock(QLockFile& lock)
{
    if (lock.tryLock(0))
        return LeftLock::Taken;
    if (lock.error() != QLockFile::LockFailedError || editorEnded(lock.fileName()))
        return LeftLock::Unlockable;
    return LeftLock::InUse;
}

// Removes a journal left behind, under its editor's lock where that can be taken now.
// One that another editor holds now is that editor's to offer: nothing is left to do.
bool removeLeftJournal(const QString& path, std::unique_ptr<QLockFile>& lock, QString* why)
{
    if (!lock || !lock->isLocked()) {
        auto l = newLock(lockPathOf(path));
        const LeftLock state = takeLeftLock(*l);
        if (state == LeftLock::InUse)
            return true;
        if (state == LeftLock::Taken)
            lock = std::move(l);
    }
    QFile f(path);
    if (!f.remove() && f.exists()) {
        if (why)
            *why = fileProblemText(f);
        return false;
    }
    if (!lock)
        newLock(lockPathOf(path))->tryLock(0);  // a stale lock goes with it where it can
    lock.reset();
    return true;
}
}  // namespace

LeftJournal::LeftJournal() = default;
LeftJournal::LeftJournal(LeftJournal&&) noexcept = default;
LeftJournal& LeftJournal::operator=(LeftJournal&&) noexcept = default;
LeftJournal::~LeftJournal() = default;

RecoveryJournal::RecoveryJournal(const QString& folder)
    : dir(folder)
    , id(QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(QDateTime::currentMSecsSinceEpoch()))
{
}

RecoveryJournal::~RecoveryJournal()
{
    remove();
}

QString RecoveryJournal::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/recovery");
}

QString RecoveryJournal::path() const
{
    return QDir(dir).filePath(id + Ending);
}

bool RecoveryJournal::ensureLocked(QString* error)
{
    if (lock)
        return true;
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("папка %1 не создана").arg(dir);
        return false;
    }
    auto l = newLock(QDir(dir).filePath(id + QStringLiteral(".lock")));
    if (!l->tryLock(0)) {
        // QLockFile tells only the kind of failure; the folder's disk tells the cause.
        const QStorageInfo disk(dir);
        if (disk.isReadOnly())
            *error = fileProblemText(dir, std::errc::read_only_file_system);
        else if (l->error() == QLockFile::PermissionError)
            *error = fileProblemText(dir, std::errc::permission_denied);
        else if (disk.bytesAvailable() < disk.blockSize())
            *error = fileProblemText(dir, std::errc::no_space_on_device);
        else
            *error = QStringLiteral("блокировка в %1 не создана").arg(dir);
        return false;
    }
    lock = std::move(l);
    return true;
}

bool RecoveryJournal::write(const JournalEntry& entry, const KeyMapImgClass& layout, QString* error)
{
    QString why;
    if (!ensureLocked(&why)) {
        if (error)
            *error = why;
        return false;
    }
    const QByteArray bytes = encode(entry, layout);
    // The new copy goes beside the old one, which it replaces only once whole: never
    // the file itself, and every write checked, as a nearly full disk takes part of one.
    QSaveFile f(path());
    f.setDirectWriteFallback(false);
    why.clear();
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !writeWhole(f, bytes, &why) || !f.commit()) {
        if (error)
            *error = fileProblemText(path(), why.isEmpty() ? f.errorString() : why);
        return false;
    }
    removeKept();
    return true;
}

void RecoveryJournal::remove()
{
    removeKept();
    if (!lock)
        return;
    QFile::remove(path());
    lock.reset();  // unlocks, removing the lock file
}

void RecoveryJournal::takeOver(LeftJournal&& left, const QString& why)
{
    kept.push_back({left.path, std::move(left.lock), why});
}

QString RecoveryJournal::keptJournal(QString* why) const
{
    if (kept.empty())
        return {};
    if (why)
        *why = kept.front().why;
    return kept.front().path;
}

void RecoveryJournal::removeKept()
{
    std::erase_if(kept, [](Kept& k) { return removeLeftJournal(k.path, k.lock, &k.why); });
}

QByteArray RecoveryJournal::encode(const JournalEntry& entry, const KeyMapImgClass& layout)
{
    const QJsonObject head{{QStringLiteral("file"), entry.file},
                           {QStringLiteral("modified"), entry.modified},
                           {QStringLiteral("written"), entry.written.toString(Qt::ISODateWithMs)}};
    // The layout keeps its own form, which carries texts unit for unit.
    return QJsonDocument(head).toJson(QJsonDocument::Compact) + '\n' + layoutToJson(layout, QStringLiteral("btv"));
}

std::unique_ptr<KeyMapImgClass> RecoveryJournal::decode(const QByteArray& bytes, JournalEntry& entry, QString* damage)
{
    const qsizetype eol = bytes.indexOf('\n');
    QJsonParseError parse;
    const QJsonObject head = QJsonDocument::fromJson(bytes.left(std::max<qsizetype>(eol, 0)), &parse).object();
    const QDateTime written = QDateTime::fromString(head.value(QStringLiteral("written")).toString(), Qt::ISODateWithMs);
    if (eol < 0 || parse.error != QJsonParseError::NoError || !head.value(QStringLiteral("file")).isString() ||
        !head.value(QStringLiteral("modified")).isBool() || !written.isValid()) {
        *damage = QStringLiteral("заголовок не читается");
        return nullptr;
    }
    QString error;
    std::unique_ptr<KeyMapImgClass> layout = layoutFromJson(bytes.mid(eol + 1), &error);
    if (!layout) {
        *damage = QStringLiteral("макет: ") + error;
        return nullptr;
    }
    entry = {head.value(QStringLiteral("file")).toString(), head.value(QStringLiteral("modified")).toBool(), written};
    return layout;
}

std::vector<LeftJournal> RecoveryJournal::leftBehind(const QString& folder)
{
    std::vector<LeftJournal> out;
    const QDir d(folder);
    for (const QString& name : d.entryList({QStringLiteral("*") + Ending}, QDir::Files)) {
        LeftJournal left;
        left.path = d.filePath(name);
        left.lock = newLock(lockPathOf(left.path));
        // Held by an editor that still runs, or by another one offering it right now.
        const LeftLock state = takeLeftLock(*left.lock);
        if (state == LeftLock::InUse)
            continue;
        if (state == LeftLock::Unlockable)
            left.lock.reset();
        QFile f(left.path);
        // A pipe or a device given the journal's name is set aside unopened, not waited on.
        if (const QString reason = notRegularFileReason(left.path); !reason.isEmpty()) {
            left.damage = reason;
        } else if (!f.open(QIODevice::ReadOnly) || f.size() > MaxJsonLayoutBytes) {
            left.damage = f.isOpen() ? QStringLiteral("слишком велик") : f.errorString();
        } else {
            left.layout = decode(f.readAll(), left.entry, &left.damage);
        }
        if (!left.layout)
            left.entry.written = QFileInfo(f).lastModified();
        out.push_back(std::move(left));
    }
    std::sort(out.begin(), out.end(),
              [](const LeftJournal& a, const LeftJournal& b) { return a.entry.written > b.entry.written; });
    return out;
}

bool RecoveryJournal::discard(LeftJournal& left, QString* why)
{
    return removeLeftJournal(left.path, left.lock, why);
}

QString RecoveryJournal::setAside(LeftJournal& left)
{
    const QString aside = left.path + QStringLiteral(".damaged");
    QFile::remove(aside);
    const QString where = QFile::rename(left.path, aside) ? aside : left.path;
    left.lock.reset();
    return where;
}
