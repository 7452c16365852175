#include "recoveryjournal.h"

#include "fileio.h"
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
    QSaveFile f(path());
    if (!f.open(QIODevice::WriteOnly) || f.write(encode(entry, layout)) < 0 || !f.commit()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    return true;
}

void RecoveryJournal::remove()
{
    if (!lock)
        return;
    QFile::remove(path());
    lock.reset();  // unlocks, removing the lock file
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
        if (!left.lock->tryLock(0))
            continue;
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

void RecoveryJournal::discard(LeftJournal& left)
{
    QFile::remove(left.path);
    left.lock.reset();
}

QString RecoveryJournal::setAside(LeftJournal& left)
{
    const QString aside = left.path + QStringLiteral(".damaged");
    QFile::remove(aside);
    const QString where = QFile::rename(left.path, aside) ? aside : left.path;
    left.lock.reset();
    return where;
}
