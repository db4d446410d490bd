#pragma once
#include <QString>
#include <QStringList>

class QWidget;

// What saving a reading needs of the main diagnostic window: the texts its labels show and the
// rows of its fault list boxes, each found by component name.
class TMainWindowTexts {
public:
    virtual ~TMainWindowTexts() = default;
    virtual QString Text(const QString& component) const = 0;
    virtual QStringList Items(const QString& listBox) const = 0;
};
