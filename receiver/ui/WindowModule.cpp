// The receiver's window as a module the program loads only when it shows a
// window, so that running without one never loads widget code.

#include "WindowModule.h"
#include "WindowProgram.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT int LarkspurRunWindow(int* argc, char** argv)
{
    return RunWindowProgram(*argc, argv);
}
