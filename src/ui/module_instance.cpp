#include "ui/module_instance.h"

HINSTANCE moduleInstance = nullptr;
