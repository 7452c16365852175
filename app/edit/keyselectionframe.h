#pragma once
#include <QList>
#include <QWidget>

// The outline of the chosen keys, drawn over the grid: solid orange inside each key,
// apart from the blue focus ring in the gap around a key and from the dashed border
// of the key whose properties are open.
class KeySelectionFrame : public QWidget
{
    Q_OBJECT
public:
    explicit KeySelectionFrame(QWidget* grid);

    // The keys' buttons to outline; none hides the frame.
    void outline(const QList<QWidget*>& keys);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QWidget*> m_keys;
};
