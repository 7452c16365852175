#pragma once
// A line of text that gives way to the window: cut with "…" where the room
// ends (a path at its middle or start, where the parts that tell files apart
// are), with the whole text as its tooltip.
#include <QLabel>

class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode = Qt::ElideMiddle, QWidget* parent = nullptr);

    void setFullText(const QString& text);
    QString fullText() const { return m_full; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void elide();

    Qt::TextElideMode m_mode;
    QString m_full;
};
