// raskladka-cli ports: the serial ports the loader would offer.
#include "clicommand.h"
#include "clioptions.h"

#include "portsource.h"
#include "transferresult.h"

namespace {
int run(CliContext& ctx)
{
    const CliOptions options(ctx);
    if (!options.unknown().isEmpty() || !options.positional().isEmpty())
        return cliUsage(ctx);
    const bool all = options.isSet(QStringLiteral("all"));
    const SystemPortSource system;
    const QList<PortInfo> ports = all ? system.ports() : keyboardPorts(system);
    for (const PortInfo& p : ports)
        ctx.out << p.portName << "\t" << p.friendlyName << "\n";
    ctx.out.flush();
    // Listing is the work: with --all, ports that are not the keyboard's still count.
    if (ports.isEmpty())
        return cliFail(ctx, ExitInvalid, all ? QStringLiteral("последовательные порты не обнаружены")
                                             : QString::fromUtf16(NoPortText));
    return ExitOk;
}
}  // namespace

static CliCommand reg{
    "ports", "ports [--all]", "List the keyboard's serial ports.",
    "Lists the serial ports the loader offers, as the port name, a tab and the friendly name (which contains "
    "\"Magnetic Stripe Reader\"). Ports named in RASKLADKA_EXTRA_PORTS (\"PATH=NAME;...\") are listed after "
    "the system's.",
    {{"--all", "List every serial port, not only the keyboard's."}},
    "0  a port was listed\n1  none was: no keyboard port (without --all) or no serial port at all\n"
    "2  usage error",
    run};
