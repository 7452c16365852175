#pragma once
// What the platform tells of serial ports coming and going, as it happens.
// Where it tells nothing, active() is false and the owner keeps polling.
#include <QObject>
#include <QString>

#include <memory>

class PortEvents : public QObject
{
    Q_OBJECT
public:
    explicit PortEvents(QObject* parent = nullptr);
    ~PortEvents() override;

    bool active() const;

signals:
    // A port appeared or changed: the list of ports is worth reading again.
    void added();
    // The port whose device node is `device` has gone, even if one by that
    // name is back by the time the list is read again.
    void removed(const QString& device);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
