#include "Devices/QiroDevice.h"
