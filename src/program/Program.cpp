#include "program/Program.h"

#include "forms/about/About.h"
#include "shell/Application.h"
#include "forms/main/Main.h"
#include "grid/StartTiming.h"
#include "platform/ModulePath.h"
#include "program/SingleInstance.h"

int runProgram()
{
    // Before anything shows: a second start for the same data file only fetches the first
    // program's window, and ends as a start that went well.
    TSingleInstance instance(executableDirectory() + "YaoPin.XML");
    if (instance.claim() == TSingleInstance::TClaim::Running) {
        instance.askRunningToShow(3000);
        return 0;
    }
    instance.onShowRequest = bringProgramToFront;
    Application->SetTitle(QStringLiteral("Tervana"));
    Application->CreateForm(FAbout);
    FAbout->Label3->SetCaption(QString());
    FAbout->ShowModal();
    noteStartMoment("splash-closed");
    Application->DestroyForm(FAbout);
    FAbout = nullptr;
    Application->CreateForm(Form1);
    Application->Run();
    instance.holdUntilExit();
    return Application->ExitCode();
}
