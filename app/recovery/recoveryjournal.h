#pragma once
// A copy of the layout kept while it differs from its file, so that a crash, a kill or a
// power cut loses no more than the last moments of work. Each running editor has its own
// journal in one folder, beside a lock file it holds as long as it runs; a journal whose
// lock is free was left by an editor that ended without a clean exit.
//
// A journal is one line of JSON naming the layout's file, whether it was modified and
// when the journal was written, then the layout's JSON (as raskladka-cli's dump writes it).
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

class KeyMapImgClass;
class QLockFile;

struct JournalEntry {
    QString file;  // the layout's file; empty for a layout never opened or saved
    bool modified = true;
    QDateTime written;
};

// A journal an editor left behind, locked for this one until it is discarded or set
// aside (or the list goes, which leaves it for the next start).
struct LeftJournal {
    QString path;
    JournalEntry entry;
    std::unique_ptr<KeyMapImgClass> layout;  // null when the journal is damaged
    QString damage;                          // why it cannot be read
    std::unique_ptr<QLockFile> lock;

    LeftJournal();
    LeftJournal(LeftJournal&&) noexcept;
    LeftJournal& operator=(LeftJournal&&) noexcept;
    ~LeftJournal();
};

class RecoveryJournal
{
public:
    explicit RecoveryJournal(const QString& folder);
    // Only a clean end of the editor gets here: its journal goes with it.
    ~RecoveryJournal();

    // Under the user's local data folder: user data, not settings.
    static QString defaultFolder();
    QString folder() const { return dir; }
    QString path() const;

    // Replaces the journal at once (never half written); false with the reason.
    bool write(const JournalEntry& entry, const KeyMapImgClass& layout, QString* error);
    void remove();

    // The journals of editors no longer running, the newest first. A damaged one comes
    // with its damage and no layout: it is never loaded in part.
    static std::vector<LeftJournal> leftBehind(const QString& folder);
    static void discard(LeftJournal& left);
    // Moves a damaged journal under a name no editor reads again; returns that name.
    static QString setAside(LeftJournal& left);

    static QByteArray encode(const JournalEntry& entry, const KeyMapImgClass& layout);
    // Null with `damage` when `bytes` are no whole journal.
    static std::unique_ptr<KeyMapImgClass> decode(const QByteArray& bytes, JournalEntry& entry, QString* damage);

private:
    bool ensureLocked(QString* error);

    QString dir, id;
    std::unique_ptr<QLockFile> lock;
};
