#pragma once

#include "widgets/AlignLayout.h"

#include <QWidget>

#include <optional>

class TAlignLayout;

// Horizontal placement of a panel's caption.
enum TAlignment : int { taLeftJustify, taRightJustify, taCenter };

// An ordinary panel: a container without focus or window border that docks its children
// inside its client area less the one-pixel outer bevel. It draws nothing itself; the kinds
// of panel do. Colour and font follow the parent's until set, as Qt's palette and font do.
class TCustomPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TCustomPanel(QWidget *owner = nullptr);

    // The width of the outer bevel that the docked children stay clear of.
    static constexpr int BevelWidth = 1;

    TAlign Align() const { return alignOf(this); }
    void SetAlign(TAlign align) { setAlign(this, align); }

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);

    TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TAlignment alignment);

    // The background; setting it stops following the parent's.
    QColor Color() const;
    void SetColor(const QColor &color);
    bool ParentColor() const { return !m_color; }
    void SetParentColor(bool parentColor);

    // The caption's colour, which belongs to the font and follows the parent's until set.
    QColor FontColor() const;
    void SetFontColor(const QColor &color);

    TAlignLayout *alignLayout() const { return m_alignLayout; }

private:
    void applyPalette();

    TAlignLayout *m_alignLayout;
    // Unset while the colour follows the parent's.
    std::optional<QColor> m_color;
    std::optional<QColor> m_fontColor;
    QString m_caption;
    TAlignment m_alignment = taCenter;
};
