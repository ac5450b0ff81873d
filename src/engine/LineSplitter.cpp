#include "engine/LineSplitter.h"
