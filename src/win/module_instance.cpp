#include "win/module_instance.h"

HINSTANCE moduleInstance = nullptr;
