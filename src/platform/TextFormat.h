#pragma once
#include <QString>
#include <QStringList>

// Fills the placeholders of a translatable text the way the language files expect them: "%s"
// takes the next argument, "%1:s" a numbered one (counted from 0, the following "%s" goes on from
// there), "%-8s" and "%8s" pad to a width, "%.3s" cuts, "%%" is a percent sign. A format that
// asks for an argument it is not given, or for anything but text, raises an Exception naming it.
QString FormatTexts(const QString& format, const QStringList& args);
