#pragma once

#include <QWidget>

#include <functional>

// Modal results, as the forms' buttons set them.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

// What closing a non-main form does with it.
enum class TCloseAction { None, Hide, Free, Minimize };

// A top-level window of the program. The application object owns it; its activation and
// deactivation notices come from the screen's focused-form record, not from the toolkit.
class TForm : public QWidget
{
    Q_OBJECT
public:
    explicit TForm(QWidget *parent = nullptr);
    ~TForm() override;

    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int result) { m_modalResult = result; }
    bool isModal() const { return m_modal; }

    // Shows the form in a nested loop until its modal result is set (or the program is
    // terminating, which ends it with mrCancel); returns the result.
    int ShowModal();

    // Closing as the system close command does it.
    void Close();

    // Centres the outer frame on the primary screen, now or each time the form is shown
    // (when the frame's size is known).
    void centreOnScreen();
    void setCentredWhenShown(bool centred) { m_centredWhenShown = centred; }

    // Notices from the focused-form record.
    void Activate();
    void Deactivate();

    std::function<void()> OnActivate;
    std::function<void()> OnDeactivate;
    std::function<void(TCloseAction &)> OnClose;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    int m_modalResult = mrNone;
    bool m_modal = false;
    bool m_centredWhenShown = false;
};
