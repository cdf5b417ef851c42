#pragma once

#include <vector>

class QWidget;
class TForm;

// The screen record: which of the program's forms holds the focus. The main window's
// activation handler depends on it, so it is kept here and not taken from the toolkit's
// window activation, which differs from one window manager to the next.
class TScreen
{
public:
    TForm *FocusedForm() const { return m_focusedForm; }

    // A control of `form` has received the input focus.
    void focusEntered(TForm *form);

    // A modal form is being shown, or has closed.
    void pushModal(TForm *form);
    void popModal(TForm *form);

    // `form` is being destroyed.
    void forget(TForm *form);

private:
    void makeFocused(TForm *form);

    TForm *m_focusedForm = nullptr;
    std::vector<TForm *> m_savedFocusedForms;
};
