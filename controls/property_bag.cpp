#include "controls/property_bag.h"
