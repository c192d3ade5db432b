#include "attachments/attachments.h"
