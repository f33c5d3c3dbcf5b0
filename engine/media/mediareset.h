// The media layer's process-wide state back to its values at start-up.
#pragma once

void resetmediastate();
