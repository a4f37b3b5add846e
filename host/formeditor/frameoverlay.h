#pragma once

#include "formeditor_global.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QWidget>

namespace Host::FormEditor {

// Draws coloured frames over the widget below it. It lets mouse events through,
// so the form underneath stays usable.
class HOST_FORMEDITOR_EXPORT FrameOverlay : public QWidget
{
    Q_OBJECT

public:
    struct Frame
    {
        QRectF rect;
        QColor color;
        QString toolTip;

        friend bool operator==(const Frame &, const Frame &) = default;
    };

    explicit FrameOverlay(QWidget *parent = nullptr);

    QList<Frame> frames() const { return m_frames; }
    void setFrames(const QList<Frame> &frames);
    // The tooltip of the innermost frame with one around `position`; frames
    // nest (a text inside its screen), and the pointer means the smallest;
    // of frames alike, the one drawn last.
    QString toolTipAt(const QPointF &position) const;

    static constexpr int penWidth = 2;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Frame> m_frames;
};

} // namespace Host::FormEditor
