#include "uploadreport.h"
#include "hexcodes.h"

#include "filemessages.h"
#include "keymapfile.h"
#include "layoutsource.h"
#include "portsocket.h"

#include <QFileInfo>

#include <algorithm>

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

int takeImageArgument(CliContext& ctx, const QStringList& files, bool verify, const LoaderTimings& timings,
                      QByteArray& image)
{
    if (!verify && timings.readMs != LoaderTimings{}.readMs)
        return cliUsage(ctx, QStringLiteral("--read-wait относится к --verify"));
    if (files.size() != 1 || files.first().startsWith(QLatin1Char('-')))
        return cliUsage(ctx);
    const QString path = files.first();
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

QStringList portsToProgram(const QStringList& named, bool present)
{
    QStringList wanted = named;
    if (present)
        for (const SocketPort& p : presentKeyboardSockets())
            wanted << p.socket;
    QStringList ports;
    for (const QString& port : wanted) {
        const auto same = [&](const QString& p) { return portDevice(p) == portDevice(port); };
        if (std::none_of(ports.cbegin(), ports.cend(), same))
            ports << port;
    }
    return ports;
}

QString socketText(const QString& socket, const QString& device)
{
    return device.isEmpty() ? socket : QStringLiteral("%1 (%2)").arg(socket, device);
}

QString resultLine(const UploadResult& r)
{
    return QStringLiteral("%1: %2, %3 с, контрольная сумма %4")
        .arg(socketText(r.port, r.device), outcomeWithReason(r), QString::number(r.seconds, 'f', 1),
             hexCode0x(r.checksum));
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
