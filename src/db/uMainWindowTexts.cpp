#include "db/uMainWindowTexts.h"
#include "platform/Exception.h"
#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace {

const QWidget* Component(const QWidget* window, const QString& name)
{
    const QWidget* w = window ? window->findChild<const QWidget*>(name) : nullptr;
    if (!w)
        throw Exception(QStringLiteral("The main window has no component %1").arg(name));
    return w;
}

} // namespace

QString TWidgetTexts::Text(const QString& component) const
{
    const QWidget* w = Component(Window, component);
    if (auto label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (auto edit = qobject_cast<const QLineEdit*>(w))
        return edit->text();
    throw Exception(QStringLiteral("The main window's %1 shows no text").arg(component));
}

QStringList TWidgetTexts::Items(const QString& listBox) const
{
    const QWidget* w = Component(Window, listBox);
    QStringList items;
    if (auto list = qobject_cast<const QListWidget*>(w)) {
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
    if (auto view = qobject_cast<const QAbstractItemView*>(w); view && view->model()) {
        const QAbstractItemModel* model = view->model();
        for (int r = 0; r < model->rowCount(view->rootIndex()); ++r)
            items << model->index(r, 0, view->rootIndex()).data().toString();
        return items;
    }
    throw Exception(QStringLiteral("The main window's %1 holds no rows").arg(listBox));
}
