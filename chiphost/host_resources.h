// Resource identifiers of chiphost.exe.
#pragma once
#define kTextDialog 200
#define kTextDialogEdit 1000
