#pragma once
#include <QList>
#include <QString>

// A serial port as the system lists it: the name to open and the device's
// friendly name (its description).
struct PortInfo {
    QString portName;
    QString friendlyName;
    bool operator==(const PortInfo&) const = default;
};

// Where the loader learns which ports exist. The program asks the system;
// tests hand in fixed lists.
class PortSource
{
public:
    virtual ~PortSource() = default;
    // Every serial port, in the order the system lists them.
    virtual QList<PortInfo> ports() const = 0;
};

// The keyboard names itself with this text somewhere in its friendly name.
inline constexpr char16_t KeyboardPortMark[] = u"Magnetic Stripe Reader";

// The ports whose friendly name contains KeyboardPortMark (case-sensitive), in
// the source's order.
QList<PortInfo> keyboardPorts(const PortSource& source);

// The machine's serial ports, followed by the ones named in the environment
// variable RASKLADKA_EXTRA_PORTS ("PATH=FRIENDLY NAME", several separated by
// ';'), so a simulated keyboard on a pseudo-terminal can be offered too.
class SystemPortSource : public PortSource
{
public:
    QList<PortInfo> ports() const override;
};

// Parses the RASKLADKA_EXTRA_PORTS format. An entry without '=' is a port with
// no friendly name; empty entries are skipped.
QList<PortInfo> parseExtraPorts(const QString& list);
// The extra ports the environment names now.
QList<PortInfo> extraPorts();
