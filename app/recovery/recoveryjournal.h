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
    // Null when its folder takes no lock now (full, read-only): it is offered all the
    // same, and cannot be removed until the folder can be written again.
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

    // Replaces the journal once the new copy is whole; false with the reason in the
    // program's words, the last journal then left as it was.
    bool write(const JournalEntry& entry, const KeyMapImgClass& layout, QString* error);
    void remove();

    // Takes over a journal left behind whose layout this editor now holds, or which it
    // was asked to discard and could not. It goes once this editor's own journal has
    // been written, or when that is removed; as long as it cannot be removed it stays,
    // to be offered again. `why`: what its removal has met already.
    void takeOver(LeftJournal&& left, const QString& why = {});
    // The first journal taken over that is still there, or empty; `why` is what its
    // removal met, empty while it waits for this editor's own journal.
    QString keptJournal(QString* why = nullptr) const;

    // The journals of editors no longer running, the newest first. A damaged one comes
    // with its damage and no layout: it is never loaded in part.
    static std::vector<LeftJournal> leftBehind(const QString& folder);
    // False with the reason when it cannot be removed (nor is another editor's now).
    static bool discard(LeftJournal& left, QString* why);
    // Moves a damaged journal under a name no editor reads again; returns that name.
    static QString setAside(LeftJournal& left);

    static QByteArray encode(const JournalEntry& entry, const KeyMapImgClass& layout);
    // Null with `damage` when `bytes` are no whole journal.
    static std::unique_ptr<KeyMapImgClass> decode(const QByteArray& bytes, JournalEntry& entry, QString* damage);

private:
    bool ensureLocked(QString* error);
    void removeKept();

    struct Kept {
        QString path;
        std::unique_ptr<QLockFile> lock;
        QString why;
    };

    QString dir, id;
    std::unique_ptr<QLockFile> lock;
    std::vector<Kept> kept;
};
