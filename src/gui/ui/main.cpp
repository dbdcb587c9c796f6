// The window program.
#include "gui/ui/Program.h"

int main(int argc, char** argv) { return RunWindowProgram(argc, argv); }
