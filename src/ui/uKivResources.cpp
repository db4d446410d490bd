#include "ui/uKivResources.h"
#include <QtGlobal>

static void InitKivResources()
{
    Q_INIT_RESOURCE(kiv);
}

void EnsureKivResources()
{
    static const bool done = (InitKivResources(), true);
    (void)done;
}

QFont FormFont()
{
    QFont font;
    font.setPixelSize(11);
    return font;
}
