#include "keystrokes.h"

#include "hexcodes.h"
#include "keynames.h"
#include "scancodes.h"

#include <QStringList>

#include <utility>

KeyOutput keyOutput(const TKeyMap& map)
{
    KeyOutput out;
    for (int i = 0; i < std::min<int>(map.count, MaxKeyCodes); ++i) {
        const TKeyPair& pair = map.pairs[i];
        const uint8_t modifiers = pair.modifiers | modifierMask(pair.code);
        const uint8_t code = isModifierCode(pair.code) ? 0 : usageAsRead(pair.code);
        if (modifiers != 0 || code != 0)
            out.append({modifiers, code});
    }
    return out;
}

QList<KeyOutput> keyOutputReadings(const KeyOutput& output)
{
    KeyOutput held;
    uint8_t carried = 0;
    for (int i = 0; i < output.size(); ++i) {
        if (output[i].code == 0 && i + 1 < output.size()) {
            carried |= output[i].modifiers;
            continue;
        }
        held.append({uint8_t(output[i].modifiers | carried), output[i].code});
        carried = 0;
    }
    if (held == output)
        return {output};
    return {output, held};
}

QString keyOutputText(const KeyOutput& output)
{
    QStringList strokes;
    for (const KeyStroke& s : output) {
        QStringList keys;
        for (int bit = 0; bit < 8; ++bit)
            if (s.modifiers & (1u << bit))
                keys << keyCodeName(uint8_t(0xE0 + bit));
        if (s.code != 0) {
            const QString name = keyCodeName(s.code);
            keys << (name.isEmpty() ? hexCode0x(s.code) : name);
        }
        strokes << keys.join(QStringLiteral(" + "));
    }
    return strokes.join(QStringLiteral(", "));
}

void KeyBurst::press(uint8_t usage)
{
    if (isModifierCode(usage)) {
        m_held |= modifierMask(usage);
        m_modifiersAlone = true;
        return;
    }
    m_strokes.append({m_held, usage});
    m_modifiersAlone = false;
}

void KeyBurst::release(uint8_t usage)
{
    if (!isModifierCode(usage))
        return;
    if (m_modifiersAlone)
        m_strokes.append({m_held, 0});
    m_modifiersAlone = false;
    m_held &= uint8_t(~modifierMask(usage));
}

void KeyBurst::pressUnknown(quint32 nativeScanCode)
{
    m_unknown.append(nativeScanCode);
    m_modifiersAlone = false;
}

KeyOutput KeyBurst::take()
{
    if (m_modifiersAlone)
        m_strokes.append({m_held, 0});
    m_modifiersAlone = false;
    return std::exchange(m_strokes, {});
}

QList<quint32> KeyBurst::takeUnknown() { return std::exchange(m_unknown, {}); }
