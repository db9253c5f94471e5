#include "audio/PortAudioDevice.h"
