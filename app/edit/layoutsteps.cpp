#include "layoutsteps.h"

#include "keymapimgclass.h"

LayoutKeys readAllKeys(const KeyMapImgClass& model)
{
    LayoutKeys keys;
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r)
            keys[c * KeyRows + r] = readKey(model, c, r);
    return keys;
}

QList<KeyChange> changesSince(const LayoutKeys& before, const KeyMapImgClass& now)
{
    QList<KeyChange> out;
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            const KeyData& old = before[c * KeyRows + r];
            KeyData current = readKey(now, c, r);
            if (!(current == old))
                out.append({QPoint(c, r), old, std::move(current)});
        }
    return out;
}

QString keyNumber(QPoint key)
{
    return QStringLiteral("%1,%2").arg(key.x() + 1).arg(key.y() + 1);
}

KeysStep::KeysStep(LayoutEditor& editor, const QString& text, QList<KeyChange> changes, bool applied)
    : QUndoCommand(text), m_editor(editor), m_changes(std::move(changes)), m_skipRedo(applied)
{
}

void KeysStep::show(bool after)
{
    KeyMapImgClass& model = m_editor.layout();
    QList<QPoint> keys;
    for (const KeyChange& ch : m_changes) {
        writeKey(model, ch.key.x(), ch.key.y(), after ? ch.after : ch.before);
        keys.append(ch.key);
    }
    m_editor.redrawKeys(keys);
}

void KeysStep::undo() { show(false); }

void KeysStep::redo()
{
    if (m_skipRedo) {
        m_skipRedo = false;
        return;
    }
    show(true);
}

FontStep::FontStep(LayoutEditor& editor, QString before, QString after, bool applied)
    : QUndoCommand(QStringLiteral("шрифт макета")), m_editor(editor), m_before(std::move(before)),
      m_after(std::move(after)), m_skipRedo(applied)
{
}

void FontStep::show(const QString& family)
{
    m_editor.layout().setFontFamily(family);
    m_editor.redrawAllKeys();
}

void FontStep::undo() { show(m_before); }

void FontStep::redo()
{
    if (m_skipRedo) {
        m_skipRedo = false;
        return;
    }
    show(m_after);
}
