#pragma once
// A keyboard is known by the socket it sits in, not by the device node it got:
// a keyboard that restarts may come back as ttyACM1 where it was ttyACM0, and
// another keyboard may take ttyACM0 the moment the first one is unplugged.
#include <QHash>
#include <QList>
#include <QString>

struct SocketPort {
    static constexpr char BySocketDir[] = "/dev/serial/by-path/";

    QString socket;  // the name to open and to report: stable while the keyboard stays
    QString device;  // the device node behind it right now (canonical path)
    QString serial;  // the USB serial number, where the port reports one
    // The device node itself: for a port by path, its path and when it was made,
    // so a node removed and made again under the same name (a reused pts/2) is
    // another one; for a system port its path (udev tells of the rest).
    QString node;
    // The device, where naming it beside the socket tells the user more.
    QString shownDevice() const
    {
        return socket.startsWith(QLatin1String(BySocketDir)) && device != socket ? device : QString();
    }
};

// A serial port as the system lists it, with its socket.
struct SystemPort {
    SocketPort port;
    bool keyboard = false;  // its friendly name marks it as the keyboard
};

// The device node a port name stands for, as the serial port opens it: a bare
// name lives in /dev ("pts/1" is "/dev/pts/1"); links are followed. The
// location itself when it does not exist.
QString portDevice(const QString& port);
// Whether the port named so is there now.
bool portPresent(const QString& port);
// The identity of the device node `device` (see SocketPort::node).
QString nodeIdentity(const QString& device);

// Devices and the /dev/serial/by-path links that name them.
QHash<QString, QString> bySocketLinks();

// The system's serial ports. Slow (tens of milliseconds): a station reads them
// off its event loop.
QList<SystemPort> readSystemPorts();

// Every keyboard port present, once each, by socket: those of `system`, then
// the extra ports of RASKLADKA_EXTRA_PORTS whose path exists. An extra port
// named by a path is that path's socket, whatever the path points at.
QList<SocketPort> keyboardSockets(const QList<SystemPort>& system);
inline QList<SocketPort> presentKeyboardSockets() { return keyboardSockets(readSystemPorts()); }

// A port named by the user, as a socket: its /dev/serial/by-path link where
// there is one, else the name as given; the device, and the serial number
// that `system` knows for it (empty when `system` is).
SocketPort describePort(const QString& port, const QList<SystemPort>& system,
                        const QHash<QString, QString>& links = bySocketLinks());
