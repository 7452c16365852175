#include "uploadreport.h"
#include "hexcodes.h"

#include "filemessages.h"
#include "keymapfile.h"
#include "layoutsource.h"
#include "portsocket.h"

#include <QFileInfo>

QByteArray imageToSend(CliContext& ctx, const QString& path)
{
    LayoutFile file = loadLayoutFile(path);
    if (!file.valid()) {
        cliPrintProblems(ctx, path, file.problems);
        return {};
    }
    QString error;
    const QByteArray image = layoutImage(file, path, &error);
    if (image.isEmpty())
        ctx.err << "raskladka-cli: " << error << "\n";
    return image;
}

int takeImageArgument(CliContext& ctx, bool verify, const LoaderTimings& timings, QByteArray& image)
{
    if (!verify && timings.readMs != LoaderTimings{}.readMs)
        return cliUsage(ctx, QStringLiteral("--read-wait относится к --verify"));
    if (ctx.args.size() != 1 || ctx.args.first().startsWith(QLatin1Char('-')))
        return cliUsage(ctx);
    const QString path = ctx.args.first();
    if (layoutKindOf(path) == LayoutKind::Unknown)
        return cliFail(ctx, ExitUsage,
                       path + QStringLiteral(": тип файла не понятен по имени: ожидается .kmp, .btv или .json"));
    image = imageToSend(ctx, path);
    if (image.isEmpty()) {
        ctx.err << QStringLiteral("raskladka-cli: раскладка не загружена\n");
        return ExitInvalid;
    }
    return -1;
}

namespace {
void addPort(QStringList& ports, const QString& port)
{
    for (const QString& p : ports)
        if (portDevice(p) == portDevice(port))
            return;
    ports << port;
}
}  // namespace

bool takePorts(QStringList& args, QStringList& ports, bool& allPorts, QString* error)
{
    allPorts = takeFlag(args, QStringLiteral("--all-ports"));
    for (int i = args.indexOf(QLatin1String("--port")); i >= 0; i = args.indexOf(QLatin1String("--port"), i)) {
        if (i + 1 >= args.size() || args.at(i + 1).isEmpty()) {
            *error = QStringLiteral("--port ожидает имя порта");
            return false;
        }
        addPort(ports, args.at(i + 1));
        args.remove(i, 2);
    }
    return true;
}

void addPresentKeyboardPorts(QStringList& ports)
{
    for (const SocketPort& p : presentKeyboardSockets())
        addPort(ports, p.socket);
}

bool takeFlag(QStringList& args, const QString& flag)
{
    return args.removeAll(flag) > 0;
}

QString socketText(const QString& socket, const QString& device)
{
    return device.isEmpty() ? socket : QStringLiteral("%1 (%2)").arg(socket, device);
}

QString resultLine(const UploadResult& r)
{
    const QString reason = r.reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(r.reason);
    return QStringLiteral("%1: %2%3, %4 с, контрольная сумма %5")
        .arg(socketText(r.port, r.device), r.outcome, reason, QString::number(r.seconds, 'f', 1), hexCode0x(r.checksum));
}

QString summaryLine(int programmed, int total, const QStringList& failed)
{
    // Agrees with the number: "1 из 3 запрограммирована", "21 из 30 запрограммирована".
    const bool one = programmed % 10 == 1 && programmed % 100 != 11;
    QString line = QStringLiteral("%1 из %2 %3").arg(programmed).arg(total).arg(
        one ? QStringLiteral("запрограммирована") : QStringLiteral("запрограммированы"));
    if (!failed.isEmpty())
        line += QStringLiteral("; не удалось: ") + failed.join(QStringLiteral(", "));
    return line;
}
