// Serial ports coming and going, from udev's monitor on a socket notifier: a
// swap shorter than any poll is still seen as a removal and an arrival.
#include "portevents.h"

#include <QSocketNotifier>

#include <libudev.h>

struct PortEvents::Private {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;

    ~Private()
    {
        notifier.reset();
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
    }
};

PortEvents::PortEvents(QObject* parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->context = udev_new();
    if (!d->context)
        return;
    d->monitor = udev_monitor_new_from_netlink(d->context, "udev");
    if (!d->monitor || udev_monitor_filter_add_match_subsystem_devtype(d->monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(d->monitor) < 0) {
        if (d->monitor)
            udev_monitor_unref(std::exchange(d->monitor, nullptr));
        return;
    }
    d->notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(d->monitor), QSocketNotifier::Read);
    connect(d->notifier.get(), &QSocketNotifier::activated, this, [this] {
        while (udev_device* dev = udev_monitor_receive_device(d->monitor)) {
            const QString action = QString::fromLatin1(udev_device_get_action(dev));
            const char* node = udev_device_get_devnode(dev);
            const QString device = node ? QString::fromLocal8Bit(node) : QString();
            udev_device_unref(dev);
            if (action == QLatin1String("remove"))
                emit removed(device);
            else
                emit added();
        }
    });
}

PortEvents::~PortEvents() = default;

bool PortEvents::active() const
{
    return d->notifier != nullptr;
}
