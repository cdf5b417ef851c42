#include "shell/Application.h"
#include "program/Program.h"

int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    return runProgram();
}
