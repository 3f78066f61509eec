#include "optimisation/pixel_allocation.h"
