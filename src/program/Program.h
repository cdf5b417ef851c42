#pragma once

// The program body: splash, main window, message loop.
int runProgram();
