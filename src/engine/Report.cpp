#include "engine/Report.h"
