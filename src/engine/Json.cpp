#include "engine/Json.h"
