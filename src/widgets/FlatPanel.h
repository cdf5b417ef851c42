#pragma once

#include "widgets/CustomPanel.h"

#include <QColor>

class QPainter;

// Panel with a one-pixel two-colour frame and an optional one-line caption; the container
// that frames every region of the program's windows. Painted through an off-screen pixmap.
class TFlatPanel : public TCustomPanel
{
    Q_OBJECT
public:
    explicit TFlatPanel(QWidget *owner = nullptr);

    // The colour of the frame's left and top edges.
    QColor ColorHighLight() const { return m_colorHighLight; }
    void SetColorHighLight(const QColor &color);

    // The colour of the frame's right and bottom edges.
    QColor ColorShadow() const { return m_colorShadow; }
    void SetColorShadow(const QColor &color);

    // Shows the parent's own painting instead of filling with Color.
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);

    // Both frame colours by default: hexadecimal 8396A0 as 00BBGGRR.
    static constexpr unsigned DefaultFrameColor = 8623776;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintBackground(QPainter &painter) const;
    void paintFrame(QPainter &painter) const;
    void paintCaption(QPainter &painter) const;

    QColor m_colorHighLight;
    QColor m_colorShadow;
    bool m_transparent = false;
};
