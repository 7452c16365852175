// raskladka-cli ports: the serial ports the loader would offer.
#include "clicommand.h"

#include "portsource.h"

namespace {
int run(CliContext& ctx)
{
    bool all = false;
    for (const QString& a : ctx.args) {
        if (a == QLatin1String("--all"))
            all = true;
        else
            return cliFail(ctx, ExitUsage, QStringLiteral("usage: raskladka-cli ports [--all]"));
    }
    const SystemPortSource system;
    const QList<PortInfo> ports = all ? system.ports() : keyboardPorts(system);
    for (const PortInfo& p : ports)
        ctx.out << p.portName << "\t" << p.friendlyName << "\n";
    ctx.out.flush();
    if (keyboardPorts(system).isEmpty())
        return cliFail(ctx, ExitInvalid, QStringLiteral("Порт загрузки не обнаружен"));
    return ExitOk;
}
}  // namespace

static CliCommand reg{"ports", "ports [--all]",
                      "Lists the keyboard's serial ports, as the loader offers them: name, a tab, the\n"
                      "    friendly name (which contains \"Magnetic Stripe Reader\"). --all lists every serial\n"
                      "    port. Ports named in RASKLADKA_EXTRA_PORTS (\"PATH=NAME;...\") are listed after the\n"
                      "    system's. Exit status 1 when no keyboard port is found.",
                      run};
