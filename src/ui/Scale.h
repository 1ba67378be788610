#pragma once

// The factor from design units to pixels, and the rounding every layout uses.
struct Scale {
    float DialogScale = 1.0f;
};

// A design value times the factor, rounded to the nearest integer with halves to even.
int Scaled(const Scale& scale, int designValue);

// Negative: the factor comes from the screen's horizontal logical dpi / 96. Positive: taken as given.
void InitScale(Scale& scale, float value);

// The part of InitScale that needs no screen, for a known dpi.
float ScaleForDpi(double logicalDpiX);
