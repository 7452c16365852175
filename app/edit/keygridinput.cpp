#include "keygridinput.h"

#include "keygrid.h"
#include "keygeometry.h"
#include "keytypes.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

namespace {
QPoint keyAt(int index) { return {index / KeyRows, index % KeyRows}; }
}  // namespace

KeyGridInput::KeyGridInput(QPushButton* const* buttons, QObject* parent)
    : QObject(parent), m_buttons(buttons)
{
    for (int i = 0; i < KeyCount; ++i) {
        m_buttons[i]->installEventFilter(this);
        m_buttons[i]->setAcceptDrops(true);
    }
}

int KeyGridInput::indexOf(QObject* o) const
{
    for (int i = 0; i < KeyCount; ++i)
        if (m_buttons[i] == o)
            return i;
    return -1;
}

QList<QRect> KeyGridInput::rects() const
{
    QList<QRect> out;
    for (int i = 0; i < KeyCount; ++i)
        out.append(m_buttons[i]->isVisibleTo(m_buttons[i]->parentWidget()) ? m_buttons[i]->geometry() : QRect());
    return out;
}

void KeyGridInput::setTabOrder(QWidget* after)
{
    for (const QPoint& k : keysInReadingOrder()) {
        const int i = keyIndex(k.x(), k.y());
        if (after)
            QWidget::setTabOrder(after, m_buttons[i]);
        after = m_buttons[i];
    }
}

bool KeyGridInput::keyPress(int index, QKeyEvent* e)
{
    QPushButton* b = m_buttons[index];
    const int key = e->key();
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (arrow && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
        const int next = neighbourKey(rects(), index, key);
        if (next >= 0 && mods == Qt::ShiftModifier)
            emit chooseStepped(keyAt(index), keyAt(next));
        if (next >= 0)
            m_buttons[next]->setFocus(Qt::TabFocusReason);
        return true;  // at the edge the focus stays, and the grid does not scroll away
    }
    if (mods == Qt::NoModifier && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        b->click();
        return true;
    }
    if ((key == Qt::Key_Menu && mods == Qt::NoModifier) || (key == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        emit contextMenuRequested(keyAt(index), b->mapToGlobal(b->rect().center()));
        return true;
    }
    return false;
}

bool KeyGridInput::eventFilter(QObject* watched, QEvent* event)
{
    const int index = indexOf(watched);
    if (index < 0)
        return false;
    QPushButton* b = m_buttons[index];
    switch (event->type()) {
    case QEvent::KeyPress:
        return keyPress(index, static_cast<QKeyEvent*>(event));
    case QEvent::ContextMenu: {
        auto* e = static_cast<QContextMenuEvent*>(event);
        // The keyboard's own menu request is answered on the key press above.
        if (e->reason() == QContextMenuEvent::Keyboard)
            return true;
        emit contextMenuRequested(keyAt(index), e->globalPos());
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        m_pressIndex = e->button() == Qt::LeftButton ? index : -1;
        m_pressPos = e->position().toPoint();
        m_pressChoose = e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
        // A choosing click never reaches the button: it is not pressed, checked or clicked.
        return m_pressIndex >= 0 && m_pressChoose != Qt::NoModifier;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton || m_pressChoose == Qt::NoModifier)
            return false;
        const Qt::KeyboardModifiers mods = m_pressChoose;
        m_pressChoose = Qt::NoModifier;
        if (m_pressIndex == index) {
            emit chooseClicked(keyAt(index), mods);
            b->setFocus(Qt::MouseFocusReason);
        }
        m_pressIndex = -1;
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (m_pressIndex != index || !(e->buttons() & Qt::LeftButton) ||
            (e->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return false;
        m_pressIndex = -1;
        m_pressChoose = Qt::NoModifier;
        emit dragRequested(keyAt(index));
        // The drag took the release: the button must not stay pressed, nor toggle.
        b->setDown(false);
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        if (!m_accept || !m_accept(e->mimeData()))
            return false;  // files and the like go on to the window
        e->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        if (!m_accept || !m_accept(e->mimeData()))
            return false;
        // Ctrl decides, whatever the platform proposes for the drop.
        const bool copy = (e->modifiers() & Qt::ControlModifier) || !(e->possibleActions() & Qt::MoveAction);
        e->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
        e->accept();
        emit dropped(keyAt(index), e->mimeData(), copy);
        return true;
    }
    default:
        return false;
    }
}
