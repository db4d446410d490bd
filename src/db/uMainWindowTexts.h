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

// Reads them from a window's child widgets by object name: labels and edit fields for texts, list
// widgets or any item view (first column) for rows. A name the window lacks raises an Exception.
class TWidgetTexts : public TMainWindowTexts {
public:
    explicit TWidgetTexts(const QWidget* window) : Window(window) {}
    QString Text(const QString& component) const override;
    QStringList Items(const QString& listBox) const override;

private:
    const QWidget* Window;
};
