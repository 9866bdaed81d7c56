// VirtualDesktop.cpp - the global desktop object.
#include "vdesktop/VirtualDesktop.h"

CVirtualDesktop* g_virtualDesktop;
