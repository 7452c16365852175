#include "consoletransfer.h"

#include "bytelink.h"
#include "console.h"
#include "loaderview.h"
#include "portsource.h"
#include "serialportlink.h"

#include <QEventLoop>

#include <memory>

namespace {
// The loader's log on a terminal: every outcome line as the dialog shows it,
// the hexadecimal dump only when asked for, and the bar as a percentage.
class ConsoleView : public LoaderView
{
public:
    ConsoleView(const QString& port, bool verbose, QTextStream& err)
        : m_port(port), m_verbose(verbose), m_err(err), m_tty(stderrIsTerminal())
    {
    }

    QString currentPortName() const override { return m_port; }
    void clearLog() override {}
    void appendDump(const QString& line) override
    {
        if (m_verbose)
            appendLog(line);
    }
    void appendLog(const QString& line) override
    {
        endProgressLine();
        m_err << line << "\n";
        m_err.flush();
    }
    void resetProgress() override { m_percent = -1; }
    void setProgress(int value) override
    {
        const int percent = value * 100 / 880;
        if (percent == m_percent || (!m_tty && percent % 10 != 0 && value != 880))
            return;
        m_percent = percent;
        if (m_tty) {
            m_err << "\r" << QStringLiteral("Загрузка: %1%").arg(percent, 3);
            m_open = true;
        } else {
            m_err << QStringLiteral("Загрузка: %1%").arg(percent) << "\n";
        }
        m_err.flush();
    }

    void endProgressLine()
    {
        if (m_open)
            m_err << "\n";
        m_open = false;
    }

private:
    QString m_port;
    bool m_verbose;
    QTextStream& m_err;
    bool m_tty;
    bool m_open = false;
    int m_percent = -1;
};
}  // namespace

QString resolveTransferPort(const TransferOptions& options)
{
    if (!options.port.isEmpty())
        return options.port;
    const QList<PortInfo> ports = keyboardPorts(SystemPortSource());
    return ports.isEmpty() ? QString() : ports.first().portName;
}

bool runTransfer(TransferKind kind, uint8_t* image, const TransferOptions& options, QTextStream& err, ByteLink* link)
{
    if (!image)
        return false;
    std::unique_ptr<ByteLink> own;
    if (!link) {
        own = std::make_unique<SerialPortLink>();
        link = own.get();
    }
    const QString port = resolveTransferPort(options);
    ConsoleView view(port, options.verbose, err);
    LoaderMachine machine(link, &view, options.timings);
    machine.setImage(image);

    bool finished = false;
    QEventLoop loop;
    QObject::connect(&machine, &LoaderMachine::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    if (kind == TransferKind::Upload)
        machine.upload(port);
    else
        machine.readBack(port);
    // A port that would not open, or a refused write, ends it inside the call already.
    if (!finished)
        loop.exec();
    view.endProgressLine();
    // The log says what went wrong; the system may know why ("Input/output error" once unplugged).
    const TransferResult& r = machine.result();
    if (!port.isEmpty() && !r.systemReason.isEmpty())
        err << port << ": " << r.systemReason << "\n";
    err.flush();
    return r.ok();
}
