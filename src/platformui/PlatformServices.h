#pragma once

#include <QString>

class QWidget;

// Everything the program does that shows a platform window or leaves the process: the error
// box, the shell's "open", and the file dialogs. The real implementation is in force unless a
// test installs its own to record the calls.
class TPlatformServices
{
public:
    virtual ~TPlatformServices() = default;

    // The platform message box with the stop icon and one OK button.
    virtual void errorBox(QWidget *owner, const QString &text, const QString &caption);

    // Hands a web or mail address to the desktop; the result is not examined.
    virtual void openUrl(const QString &address);

    // Empty when the user cancelled.
    virtual QString getOpenFileName(QWidget *owner, const QString &title, const QString &filter,
                                    const QString &defaultSuffix);
    virtual QString getSaveFileName(QWidget *owner, const QString &title, const QString &filter,
                                    const QString &defaultSuffix, const QString &fileName);
};

TPlatformServices &platformServices();

// Installs `services` (not owned) in place of the current ones; returns the previous ones.
TPlatformServices *setPlatformServices(TPlatformServices *services);
