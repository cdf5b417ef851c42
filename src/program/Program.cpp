#include "program/Program.h"

#include "forms/about/About.h"
#include "shell/Application.h"
#include "forms/main/Main.h"
#include "grid/StartTiming.h"

int runProgram()
{
    Application->SetTitle(QStringLiteral("Tervana"));
    Application->CreateForm(FAbout);
    FAbout->Label3->SetCaption(QString());
    FAbout->ShowModal();
    noteStartMoment("splash-closed");
    Application->DestroyForm(FAbout);
    FAbout = nullptr;
    Application->CreateForm(Form1);
    Application->Run();
    return 0;
}
