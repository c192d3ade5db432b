#include "slideshow/package.h"
