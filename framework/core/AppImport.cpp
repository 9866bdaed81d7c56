// AppImport.cpp - importing a configuration archive left for this start.
#include "framework/core/AppObject.h"
#include "framework/core/AppStartup.h"

void ImportConfigArchive(AppObject*)
{
    // Reading the archive needs the ZIP reader; until then the archive is
    // left untouched for a later start rather than deleted unread.
}
