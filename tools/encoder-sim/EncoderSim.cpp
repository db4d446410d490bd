#include "EncoderSim.h"
