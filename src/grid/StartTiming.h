#pragma once

// Moments of the start as lines on standard error ("tervana-timing <moment> <seconds>", on
// the monotonic clock), for bench/start.sh. Only when TERVANA_TIMING is set; otherwise a
// call costs one test of a flag.
void noteStartMoment(const char *moment);

// The first time the list paints rows of records.
void noteFirstRowsPainted();
