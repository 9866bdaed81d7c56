// NetworkStatus.h - the network's status, type, addresses and wireless name.
#pragma once

// Loads the wireless library and registers for its notifications; false
// when there is none.
bool LoadWlanApi();
