#include "Program.h"

#include "About.h"
#include "Application.h"
#include "Main.h"

#include <QLabel>

int runProgram()
{
    Application->SetTitle(QStringLiteral("Tervana"));
    Application->CreateForm(FAbout);
    FAbout->Label3->setText(QString());
    FAbout->ShowModal();
    Application->DestroyForm(FAbout);
    FAbout = nullptr;
    Application->CreateForm(Form1);
    Application->Run();
    return 0;
}
