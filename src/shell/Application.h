#pragma once

#include "shell/Screen.h"

#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QApplication;
class QWidget;
class TForm;

// The application object: the toolkit's application, the title, the main window, the
// terminated flag and the forms it owns. There is exactly one, reachable as `Application`.
class TApplication
{
public:
    TApplication(int &argc, char **argv);
    ~TApplication();
    TApplication(const TApplication &) = delete;
    TApplication &operator=(const TApplication &) = delete;

    QString Title() const { return m_title; }
    void SetTitle(const QString &title) { m_title = title; }

    TForm *MainForm() const { return m_mainForm; }
    bool Terminated() const { return m_terminated; }
    bool Running() const { return m_running; }
    TScreen &Screen() { return m_screen; }

    // The form factory: constructs a form owned by the application object into `reference`.
    // The first form becomes the main window and gets its native window at once.
    template<typename Form>
    void CreateForm(Form *&reference)
    {
        reference = nullptr;
        auto form = std::make_unique<Form>();
        reference = form.get();
        adopt(std::move(form));
    }

    // Destroys a form that the application owns (and clears what referred to it).
    void DestroyForm(TForm *form);

    // Runs the message loop until the terminated flag is set.
    void Run();

    // Requests the end of the program: the loop (or a modal loop) that takes the request sets
    // the terminated flag. Returns at once.
    void Terminate();

    // The end of the desktop session (SIGTERM, SIGHUP, the session manager's request to save):
    // OnSessionEnd saves what a close would save, without asking anything, and says whether
    // that went well; then every loop ends and the program exits, with status 0 when it did.
    // Nothing else happens in the signal handler itself: it only wakes the loop.
    std::function<bool()> OnSessionEnd;
    void EndSession();
    int ExitCode() const { return m_exitCode; }

    // Handles one pass of the loop: waits for events and dispatches them.
    void HandleMessage();

    // Shows the failure in the error box (nothing for the silent kind).
    void HandleException(const std::exception &failure);

    // Called by the forms.
    void formDestroyed(TForm *form);

private:
    friend class TToolkitApplication;
    void adopt(std::unique_ptr<TForm> form);
    void takeQuitRequest();
    void watchSessionEnd();
    void saveForSessionEnd();

    std::unique_ptr<QApplication> m_toolkit;
    QString m_title;
    TForm *m_mainForm = nullptr;
    bool m_terminated = false;
    bool m_running = false;
    bool m_destroying = false;
    bool m_sessionSaved = false;
    bool m_sessionEnding = false;
    int m_exitCode = 0;
    TScreen m_screen;
    std::vector<std::unique_ptr<TForm>> m_forms;
};

extern TApplication *Application;

// The message shown by the error box for a failure text: "." appended unless the text ends
// in a character that sorts at or below "." (such as ".", ")", "!" or a blank).
QString errorBoxText(const std::string &message);

// Runs a handler that the toolkit calls; a failure that escapes it ends in the error box
// instead of unwinding through the toolkit.
void guarded(const std::function<void()> &handler);
