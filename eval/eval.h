// Run-time tunable evaluation weights and search margins.
#pragma once

// Sets the named parameter to value truncated towards zero; returns it.
int setTuneValue(const char* name, float value);
