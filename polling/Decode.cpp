// Reply decoding into the unit state and the channel cells.
#include "polling/Decode.h"
