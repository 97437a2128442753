#pragma once

#include <QString>

// The program's name as the operator knows it: the executable's file name
// without its extension. It titles the message boxes and names the settings
// file, so a renamed copy of the program keeps settings of its own.
QString ApplicationName();
