#pragma once

#include <QListWidget>

#include <functional>

// The drop-down list of the filter builder's tree: a pop-up of at most 12 rows with the
// current entry selected; choosing an entry (click or Enter) hands its index on and closes it.
class TcxFilterControlDropDown : public QListWidget
{
    Q_OBJECT
public:
    explicit TcxFilterControlDropDown(QWidget *owner);

    // Shows the entries below `anchor` (global coordinates), at least as wide as it.
    void popup(const QStringList &entries, int current, const QRect &anchor,
               std::function<void(int)> chosen);
    void choose(int index);

    static constexpr int MaxRows = 12;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::function<void(int)> m_chosen;
};
