#pragma once

// The pictures are compiled into the static library; a static library's resources register
// only when something asks for them, so every window that shows a picture calls this first.
void EnsureKivResources();
