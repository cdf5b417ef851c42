#pragma once

#include "shell/MessageForm.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

// Answers every plain message box as soon as it shows, and keeps its text.
class TMessageRecorder
{
public:
    TMessageRecorder()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<TMessageForm *>(widget);
                if (box && box->isVisible() && box->isModal() && box->ModalResult() == mrNone) {
                    messages << box->Text();
                    box->SetModalResult(mrOk);
                }
            }
        });
        m_timer.start(2);
    }

    QStringList messages;

private:
    QTimer m_timer;
};
