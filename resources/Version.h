// Version.h - the program's version, shared by the version resource and the code.
#pragma once
#define PS_VERSION_MAJOR 1
#define PS_VERSION_MINOR 0
#define PS_VERSION_BUILD 0
#define PS_VERSION_TEXT  "1.0.0"
