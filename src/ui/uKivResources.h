#pragma once
#include <QFont>

// The pictures are compiled into the static library; a static library's resources register
// only when something asks for them, so every window that shows a picture calls this first.
void EnsureKivResources();

// The font of Kiv's forms: small enough that the captions fit the forms' fixed sizes.
QFont FormFont();
