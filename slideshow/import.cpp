#include "slideshow/import.h"
