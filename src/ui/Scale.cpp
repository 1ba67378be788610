#include "ui/Scale.h"

#include <QGuiApplication>
#include <QScreen>
#include <cfenv>
#include <cmath>

int Scaled(const Scale& scale, int designValue) {
    // nearbyint follows the rounding mode, which is to-nearest-even unless someone changed it.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double v = std::nearbyint(double(designValue) * double(scale.DialogScale));
    std::fesetround(saved);
    return int(v);
}

float ScaleForDpi(double logicalDpiX) {
    return float(logicalDpiX / 96.0);
}

void InitScale(Scale& scale, float value) {
    if (value >= 0.0f) {
        scale.DialogScale = value;
        return;
    }
    // Qt already scales by the device pixel ratio; its logical dpi is what remains beyond that,
    // so the two factors never multiply.
    const QScreen* screen = QGuiApplication::primaryScreen();
    scale.DialogScale = screen ? ScaleForDpi(screen->logicalDotsPerInchX()) : 1.0f;
}
