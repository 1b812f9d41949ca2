#include <windows.h>

#include "app/state.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return programEntry(); }
