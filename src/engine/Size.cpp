#include "engine/Size.h"
