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

QString keysCount(int n)
{
    return QStringLiteral("%1 %2").arg(n).arg(n % 10 == 1 && n % 100 != 11 ? QStringLiteral("клавиши") : QStringLiteral("клавиш"));
}

LayoutStep::LayoutStep(LayoutEditor& editor, const QString& text, bool applied)
    : QUndoCommand(text), m_editor(editor), m_skipRedo(applied)
{
}

void LayoutStep::redo()
{
    if (m_skipRedo)
        m_skipRedo = false;
    else
        show(true);
}

KeysStep::KeysStep(LayoutEditor& editor, const QString& text, QList<KeyChange> changes, bool applied)
    : LayoutStep(editor, text, applied), m_changes(std::move(changes))
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

FontStep::FontStep(LayoutEditor& editor, QString before, QString after, bool applied)
    : LayoutStep(editor, QStringLiteral("шрифт макета"), applied), m_before(std::move(before)),
      m_after(std::move(after))
{
}

void FontStep::show(bool after)
{
    m_editor.layout().setFontFamily(after ? m_after : m_before);
    m_editor.redrawAllKeys();
}
