// Coordinates of GPX track points: the "lat" and "lon" attribute texts.
#pragma once

namespace meridel {

// "%lf"-style scan, independent of the process locale: leading white space
// skipped, an optional sign, a decimal number with "." as its point, text
// after the number ignored; an underflow reads as zero. False, leaving
// `value` alone, when no finite number is read (NaN, infinity, overflow).
bool ScanCoordinate(const char* text, double& value);

}  // namespace meridel
