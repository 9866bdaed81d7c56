// NetworkStatus.cpp - network status: no wireless library is used yet.
#include "engine/NetworkStatus.h"

bool LoadWlanApi()
{
    return false;
}
