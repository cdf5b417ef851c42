#include "shell/Screen.h"

#include "shell/Form.h"

#include <algorithm>

void TScreen::focusEntered(TForm *form)
{
    if (!form || form == m_focusedForm) return;
    // While a modal form runs, the other forms take no input; a window system that still
    // hands them the focus (some do, late) does not make them the focused form.
    if (m_focusedForm && m_focusedForm->isModal()) return;
    makeFocused(form);
}

void TScreen::makeFocused(TForm *form)
{
    TForm *previous = m_focusedForm;
    m_focusedForm = form;
    if (previous) previous->Deactivate();
    if (form) form->Activate();
}

void TScreen::pushModal(TForm *form)
{
    m_savedFocusedForms.push_back(m_focusedForm);
    makeFocused(form);
}

void TScreen::popModal(TForm *form)
{
    if (form) form->Deactivate();
    TForm *saved = nullptr;
    if (!m_savedFocusedForms.empty()) {
        saved = m_savedFocusedForms.back();
        m_savedFocusedForms.pop_back();
    }
    // Put the previous form back without an activation notice: a closing dialog is not a
    // reason for the main window to run its activation handler again.
    m_focusedForm = saved;
}

void TScreen::forget(TForm *form)
{
    if (m_focusedForm == form) m_focusedForm = nullptr;
    std::replace(m_savedFocusedForms.begin(), m_savedFocusedForms.end(), form,
                 static_cast<TForm *>(nullptr));
}
