#include "program/Program.h"

#include "forms/about/About.h"
#include "shell/Application.h"
#include "forms/main/Main.h"

int runProgram()
{
    Application->SetTitle(QStringLiteral("Tervana"));
    Application->CreateForm(FAbout);
    FAbout->Label3->SetCaption(QString());
    FAbout->ShowModal();
    Application->DestroyForm(FAbout);
    FAbout = nullptr;
    Application->CreateForm(Form1);
    Application->Run();
    return Application->ExitCode();
}
