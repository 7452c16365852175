#include "pixelratiowatch.h"

#include <QEvent>
#include <QWidget>

namespace {
class PixelRatioWatch : public QObject
{
public:
    PixelRatioWatch(QWidget* window, std::function<void()> redraw)
        : QObject(window), m_window(window), m_ratio(window->devicePixelRatioF()), m_redraw(std::move(redraw))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && changesRatio(event->type())) {
            const qreal ratio = m_window->devicePixelRatioF();
            if (ratio != m_ratio) {
                m_ratio = ratio;
                m_redraw();
            }
        }
        return false;
    }

private:
    static bool changesRatio(QEvent::Type type)
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        if (type == QEvent::DevicePixelRatioChange)
            return true;
#endif
        // What a widget's window sends its widgets when it lands on another screen.
        return type == QEvent::Show || type == QEvent::ScreenChangeInternal;
    }

    QWidget* m_window;
    qreal m_ratio;
    std::function<void()> m_redraw;
};
}  // namespace

void watchPixelRatio(QWidget* window, std::function<void()> redraw)
{
    new PixelRatioWatch(window, std::move(redraw));
}
