#pragma once
// "Проверка клавиш": after programming, each key of the keyboard is pressed and the
// window shows which key of the layout answered. Every key event that reaches the
// window goes to the test, so no shortcut can take one; it closes by the mouse.
#include "keystrokes.h"
#include "keytestsession.h"
#include "scancodes.h"

#include <QByteArray>
#include <QFont>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class KeyMapImgClass;
class KeyTestGrid;
class QKeyEvent;
class QLabel;
class QListWidget;

class KeyTestWindow : public QWidget
{
    Q_OBJECT
public:
    // `image`: the bytes the keyboard was given; `layout`: the faces to draw;
    // `burstMs`: the longest pause between the events of one key's output.
    KeyTestWindow(const KeyMapImgClass& layout, const QByteArray& image, const QString& name, int burstMs,
                  QWidget* parent = nullptr);
    ~KeyTestWindow() override;

    // False where the platform hands the window no scan codes it can read.
    bool available() const { return m_source != ScanCodeSource::None; }

public slots:
    void reset();

signals:
    // Each line the window shows for a burst, then the counters, as they read.
    void resultShown(const QString& line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void endBurst();

private:
    bool ours(QObject* watched) const;
    void takeKey(const QKeyEvent& event);
    // Key: one key answered; Shared: keys the computer cannot tell apart; Unknown: no key.
    enum class Verdict { Key, Shared, Unknown };
    void showResult(const QString& text, Verdict verdict);
    void showHint(const QString& text);
    void showMarks();
    void showProgress();

    ScanCodeSource m_source;
    KeyTestSession m_session;
    KeyBurst m_burst;
    int m_burstMs;
    QTimer m_burstEnd;  // running while a burst is open
    quint64 m_lastEventMs = 0;

    QStringList m_captions;  // each key's place and label lines, by key index
    QFont m_hintFont;
    QFont m_verdictFont;
    KeyTestGrid* m_grid;
    QLabel* m_counters;
    QLabel* m_result;
    QListWidget* m_untested;
};
