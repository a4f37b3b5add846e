#pragma once

#include "formeditor_global.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QWidget>

namespace Host::FormEditor {

// Draws what the designer has chosen on the form: a frame with corner handles
// around each item of the selected objects, and the name of the object under
// the pointer. It is drawn apart from the frames of FrameOverlay, so a
// selection never reads as a finding. Mouse events go through to the form.
class HOST_FORMEDITOR_EXPORT SelectionOverlay : public QWidget
{
    Q_OBJECT

public:
    explicit SelectionOverlay(QWidget *parent = nullptr);

    QList<QRectF> selectionRects() const { return m_selectionRects; }
    void setSelectionRects(const QList<QRectF> &rects);

    // The item under the pointer and the name shown on it; an empty rect hides it.
    QRectF hoverRect() const { return m_hoverRect; }
    QString hoverText() const { return m_hoverText; }
    void setHover(const QRectF &rect, const QString &text);

    static constexpr int handleSize = 6;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<QRectF> m_selectionRects;
    QRectF m_hoverRect;
    QString m_hoverText;
};

} // namespace Host::FormEditor
