#include "portsocket.h"

#include "portsource.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

QHash<QString, QString> bySocketLinks()
{
    QHash<QString, QString> links;
    const QDir dir(QString::fromLatin1(SocketPort::BySocketDir));
    for (const QFileInfo& link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        if (const QString target = link.canonicalFilePath(); !target.isEmpty())
            links.insert(target, link.absoluteFilePath());
    return links;
}

QString portDevice(const QString& port)
{
    const bool path = port.startsWith(u'/') || port.startsWith(QLatin1String("./")) || port.startsWith(QLatin1String("../"));
    const QString location = path ? port : QStringLiteral("/dev/") + port;
    const QString canonical = QFileInfo(location).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(location).absoluteFilePath()) : canonical;
}

QString nodeIdentity(const QString& device)
{
    const QDateTime made = QFileInfo(device).metadataChangeTime();
    return device + u'@' + QString::number(made.isValid() ? made.toMSecsSinceEpoch() : 0);
}

bool portPresent(const QString& port)
{
    return QFileInfo::exists(portDevice(port));
}

QList<SystemPort> readSystemPorts()
{
    const QString mark = QString::fromUtf16(KeyboardPortMark);
    const QHash<QString, QString> links = bySocketLinks();
    QList<SystemPort> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SystemPort p;
        p.port.device = portDevice(info.systemLocation());
        p.port.socket = links.value(p.port.device, info.portName());
        p.port.serial = info.serialNumber();
        // udev tells when a system port goes, however briefly: its path is enough,
        // and its node's times may still move while udev sets it up.
        p.port.node = p.port.device;
        p.keyboard = info.description().contains(mark, Qt::CaseSensitive);
        out.append(p);
    }
    return out;
}

QList<SocketPort> keyboardSockets(const QList<SystemPort>& system)
{
    const QString mark = QString::fromUtf16(KeyboardPortMark);
    QList<SocketPort> out;
    const auto add = [&out](const SocketPort& p) {
        for (const SocketPort& o : out)
            if (o.socket == p.socket || o.device == p.device)
                return;
        out.append(p);
    };
    for (const SystemPort& p : system)
        if (p.keyboard)
            add(p.port);
    for (const PortInfo& p : extraPorts())
        if (p.friendlyName.contains(mark, Qt::CaseSensitive) && QFileInfo::exists(p.portName))
        {
            const QString device = portDevice(p.portName);
            add({p.portName, device, {}, nodeIdentity(device)});
        }
    return out;
}

SocketPort describePort(const QString& port, const QList<SystemPort>& system, const QHash<QString, QString>& links)
{
    SocketPort p{port, portDevice(port), {}, {}};
    p.node = nodeIdentity(p.device);
    p.socket = links.value(p.device, port);
    for (const SystemPort& s : system)
        if (s.port.device == p.device) {
            p.serial = s.port.serial;
            p.node = s.port.node;
        }
    return p;
}
