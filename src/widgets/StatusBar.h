#pragma once

#include "widgets/AlignLayout.h"

#include <QWidget>

#include <vector>

class QSizeGrip;

// The window's status bar: panels of text side by side in the classic sunken look, the last
// reaching the right edge, and the size grip in the corner.
class TStatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit TStatusBar(QWidget *owner = nullptr);

    struct TStatusPanel
    {
        QString text;
        int width = 50;
    };

    int panelCount() const { return static_cast<int>(m_panels.size()); }
    void addPanel(int width, const QString &text = {});
    QString panelText(int index) const;
    void setPanelText(int index, const QString &text);

    // Where a panel sits; the last one's stored width has no effect.
    QRect panelRect(int index) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    std::vector<TStatusPanel> m_panels;
    QSizeGrip *m_grip;
};
