#pragma once
#include <QPointer>
#include <QWidget>

// A ring around the key that has the keyboard focus, in the gap between the keys:
// the key's own style draws no focus, and its dashed border already means "checked".
class KeyFocusFrame : public QWidget
{
    Q_OBJECT
public:
    explicit KeyFocusFrame(QWidget* grid);

    // Follows `key`; none hides the ring.
    void follow(QWidget* key);
    QWidget* followed() const { return m_key; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QWidget> m_key;
};
