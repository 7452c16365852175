#pragma once
// What the key buttons do beyond a click: arrows walk the grid, Enter opens a key as
// a click does, the menu key and Shift+F10 ask for the key's menu, a drag carries a
// key to another one; a click with Ctrl or Shift and Shift with an arrow choose keys
// (and open nothing). An event filter on the 78 buttons; the window acts on its signals.
#include <QObject>
#include <QPoint>
#include <QRect>

class QKeyEvent;
class QMimeData;
class QPushButton;

class KeyGridInput : public QObject
{
    Q_OBJECT
public:
    // `buttons` index col * 6 + row; hidden ones are left alone.
    KeyGridInput(QPushButton* const* buttons, QObject* parent = nullptr);

    // Chains the visible keys' focus in reading order, from `after` on.
    void setTabOrder(QWidget* after);
    // Whether `mime` holds something a key takes.
    using Acceptor = bool (*)(const QMimeData* mime);
    void setDropAcceptor(Acceptor accept) { m_accept = accept; }

signals:
    void contextMenuRequested(QPoint key, QPoint globalPos);
    void dragRequested(QPoint key);
    // `copy`: the user held Ctrl (or the source offered only a copy).
    void dropped(QPoint key, const QMimeData* mime, bool copy);
    // A click with Ctrl and/or Shift held (`modifiers`), on release; the key then takes the focus.
    void chooseClicked(QPoint key, Qt::KeyboardModifiers modifiers);
    // Shift with an arrow: the focus goes from one key to the next.
    void chooseStepped(QPoint from, QPoint to);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int indexOf(QObject* o) const;
    QList<QRect> rects() const;
    bool keyPress(int index, QKeyEvent* e);

    QPushButton* const* m_buttons;
    Acceptor m_accept = nullptr;
    int m_pressIndex = -1;
    QPoint m_pressPos;
    // Ctrl or Shift held at the press: the click chooses instead of opening.
    Qt::KeyboardModifiers m_pressChoose;
};
