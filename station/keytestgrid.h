#pragma once
// The layout's keys as the editor draws their faces, at whatever size the window
// gives them, each marked with how far the key test has come with it.
#include "keyface.h"
#include "keytypes.h"

#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include <array>

class KeyMapImgClass;

class KeyTestGrid : public QWidget
{
    Q_OBJECT
public:
    enum class Mark { Silent, Untested, Tested };

    explicit KeyTestGrid(const KeyMapImgClass& layout, QWidget* parent = nullptr);

    void setMark(int col, int row, Mark mark);
    // The keys the last burst lit, in orange when it is more than one.
    void setLit(const QList<QPoint>& keys);

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void renderFaces(qreal ratio);

    // The looks stay so that a move to a screen of another pixel ratio can draw the
    // faces again: the layout the test opened with may be gone by then.
    std::array<KeyFaceLook, KeyCount> m_looks{};
    std::array<QPixmap, KeyCount> m_faces;
    qreal m_facesRatio = 0;
    std::array<Mark, KeyCount> m_marks;
    QList<QPoint> m_lit;
};
