#pragma once

#include "platformui/PlatformServices.h"

#include <QStringList>

// Records what the program hands to the platform instead of showing it; installed for the
// lifetime of the object.
class TRecordingPlatform : public TPlatformServices
{
public:
    TRecordingPlatform() : m_previous(setPlatformServices(this)) {}
    ~TRecordingPlatform() override { setPlatformServices(m_previous); }

    void errorBox(QWidget *, const QString &text, const QString &caption) override
    {
        errorBoxes << text;
        captions << caption;
    }
    void openUrl(const QString &address) override { openedUrls << address; }
    QString getOpenFileName(QWidget *, const QString &title, const QString &,
                            const QString &) override
    {
        dialogTitles << title;
        return nextFileName;
    }
    QString getSaveFileName(QWidget *, const QString &title, const QString &, const QString &,
                            const QString &) override
    {
        dialogTitles << title;
        return nextFileName;
    }

    QStringList errorBoxes;
    QStringList captions;
    QStringList openedUrls;
    QStringList dialogTitles;
    QString nextFileName;

private:
    TPlatformServices *m_previous;
};
