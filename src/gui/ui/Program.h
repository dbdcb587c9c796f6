#pragma once
// The window program from start to end: Qt's application, the message box, the application object with
// crash recovery, the event loop. main() is this alone; a test that starts the program as a child process
// runs the same with hooks of its own.
#include <functional>

class CGorvantaApp;

struct CProgramHooks {
    // Before the start-up (the recovery question comes during it).
    std::function<void(CGorvantaApp&)> beforeStart;
    // Once the start-up has succeeded, before the event loop.
    std::function<void(CGorvantaApp&)> started;
};

int RunWindowProgram(int argc, char** argv, const CProgramHooks& hooks = {});
