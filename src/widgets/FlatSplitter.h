#pragma once

#include "widgets/AlignLayout.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class QPainter;

// A thin bar between two docked neighbours that the user drags to resize the neighbour on
// its docking side. It lights up under the mouse; during a drag an inverted copy of the bar
// follows the mouse, the neighbour takes its new size on release, and Escape cancels.
class TFlatSplitter : public QWidget
{
    Q_OBJECT
public:
    explicit TFlatSplitter(QWidget *owner = nullptr);
    ~TFlatSplitter() override;

    // alTop and alBottom make a horizontal bar, alLeft and alRight a vertical one.
    TAlign Align() const { return alignOf(this); }
    void SetAlign(TAlign align) { setAlign(this, align); }

    // The smallest size of the resized neighbour, and the least room left for the rest.
    int MinSize() const { return m_minSize; }
    void SetMinSize(int minSize) { m_minSize = minSize; }

    // The face while the mouse is away; follows the parent's background until set.
    QColor Color() const;
    void SetColor(const QColor &color);
    bool ParentColor() const { return !m_color; }
    void SetParentColor(bool parentColor);

    // The face while the mouse is over the bar.
    QColor ColorFocused() const { return m_colorFocused; }
    void SetColorFocused(const QColor &color);

    QColor ColorBorder() const { return m_colorBorder; }
    void SetColorBorder(const QColor &color);

    // Colours derived from Color instead of the two above. This program never turns them on,
    // so the settings are kept but change nothing.
    bool UseAdvColors() const { return m_useAdvColors; }
    void SetUseAdvColors(bool useAdvColors);
    int AdvColorBorder() const { return m_advColorBorder; }
    void SetAdvColorBorder(int percent);
    int AdvColorFocused() const { return m_advColorFocused; }
    void SetAdvColorFocused(int percent);

    // Called after every drag ends, whether it resized or was cancelled.
    std::function<void()> OnMoved;

    static constexpr unsigned DefaultColorFocused = 5493503;
    static constexpr unsigned DefaultColorBorder = 5594726;

    bool isHorizontal() const { return Align() == alTop || Align() == alBottom; }
    bool isHovered() const { return m_hovered; }
    bool isDragging() const { return m_drag.has_value(); }

    // The sibling just outside the bar on its docking side, if any.
    QWidget *findNeighbour() const;
    // The largest size `neighbour` may take, from the room its parent has.
    int upperLimit(const QWidget *neighbour) const;
    // Where the feedback bar is, in the parent's coordinates; empty unless it is drawn.
    QRect feedbackRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Exists only between the press and the end of a drag.
    struct TDrag
    {
        QPointer<QWidget> neighbour;
        QPoint downPosition;
        int offset = 0;
        int newSize = 0;
        int maxSize = 0;
        // The parent's pixels, inverted, from which the feedback is drawn.
        QImage invertedParent;
        QPointer<QWidget> feedback;
        // The focused control whose keys are watched for Escape.
        QPointer<QWidget> keyControl;
    };

    int neighbourSize() const;
    void calcSplitSize(QPoint position);
    void drawFeedback();
    void eraseFeedback();
    void applySize();
    void stopSizing();
    void endDrag();
    void paintFace(QPainter &painter) const;
    void applyPalette();

    std::optional<TDrag> m_drag;
    bool m_hovered = false;
    int m_minSize = 30;
    std::optional<QColor> m_color;
    QColor m_colorFocused;
    QColor m_colorBorder;
    bool m_useAdvColors = false;
    int m_advColorBorder = 50;
    int m_advColorFocused = 50;
};
