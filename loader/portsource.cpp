#include "portsource.h"

#include <QSerialPortInfo>

QList<PortInfo> keyboardPorts(const PortSource& source)
{
    const QString mark = QString::fromUtf16(KeyboardPortMark);
    QList<PortInfo> out;
    for (const PortInfo& p : source.ports())
        if (p.friendlyName.contains(mark, Qt::CaseSensitive))
            out.append(p);
    return out;
}

QList<PortInfo> parseExtraPorts(const QString& list)
{
    QList<PortInfo> out;
    for (const QString& entry : list.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = entry.indexOf(u'=');
        PortInfo p;
        p.portName = (eq < 0 ? entry : entry.left(eq)).trimmed();
        if (eq >= 0)
            p.friendlyName = entry.mid(eq + 1);
        if (!p.portName.isEmpty())
            out.append(p);
    }
    return out;
}

QList<PortInfo> SystemPortSource::ports() const
{
    QList<PortInfo> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        out.append({info.portName(), info.description()});
    out.append(extraPorts());
    return out;
}

QList<PortInfo> extraPorts()
{
    return parseExtraPorts(qEnvironmentVariable("RASKLADKA_EXTRA_PORTS"));
}
