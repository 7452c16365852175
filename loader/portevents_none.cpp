// Where there is no udev: nothing is told, the owner polls.
#include "portevents.h"

struct PortEvents::Private {
};

PortEvents::PortEvents(QObject* parent) : QObject(parent), d(std::make_unique<Private>()) {}
PortEvents::~PortEvents() = default;

bool PortEvents::active() const
{
    return false;
}
