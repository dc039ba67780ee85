// Raising CAP_DAC_OVERRIDE, the one capability the service needs to reach its device.
#pragma once

// Adds the capability to the effective, permitted and inheritable sets and then to the ambient
// set. Returns false after writing the failing step's line, with errno, to standard error.
bool raise_dac_override();
