#include "settings/uApplIniFile.h"
#include "platform/IniFile.h"
#include "platform/WindowPlacement.h"
#include <QWidget>

namespace {

QString Key(QWidget* form, const char* property)
{
    return form->objectName() + QLatin1String(property);
}

int32_t StateNumber(Qt::WindowStates state)
{
    if (state & Qt::WindowMinimized)
        return 1;
    if (state & Qt::WindowMaximized)
        return 2;
    return 0;
}

Qt::WindowStates StateFromNumber(int32_t number)
{
    switch (number) {
    case 1: return Qt::WindowMinimized;
    case 2: return Qt::WindowMaximized;
    default: return Qt::WindowNoState;
    }
}

} // namespace

void TApplIniFile::SaveFormPlacement(QWidget* form)
{
    IniFile->WriteInteger(Section(), Key(form, "Left"), form->x());
    IniFile->WriteInteger(Section(), Key(form, "Top"), form->y());
    IniFile->WriteInteger(Section(), Key(form, "Height"), form->height());
    IniFile->WriteInteger(Section(), Key(form, "Width"), form->width());
    IniFile->WriteInteger(Section(), Key(form, "WindowState"), StateNumber(form->windowState()));
}

void TApplIniFile::RestoreFormPlacement(QWidget* form, int32_t defaultLeft, int32_t defaultTop,
                                        int32_t defaultHeight, int32_t defaultWidth, int32_t defaultState)
{
    // Qt reinterprets the position of a window when its native window is created. Creating it
    // first means the edges set here are the edges saved below, so a window does not creep by
    // its frame on every start.
    if (form->isWindow())
        (void)form->winId();
    if (FormPlacementExists(form)) {
        if (defaultLeft >= 0)
            form->move(IniFile->ReadInteger(Section(), Key(form, "Left"), defaultLeft), form->y());
        if (defaultTop >= 0)
            form->move(form->x(), IniFile->ReadInteger(Section(), Key(form, "Top"), defaultTop));
        if (defaultWidth >= 0)
            form->resize(IniFile->ReadInteger(Section(), Key(form, "Width"), defaultWidth), form->height());
        if (defaultHeight >= 0)
            form->resize(form->width(), IniFile->ReadInteger(Section(), Key(form, "Height"), defaultHeight));
        const int32_t state = IniFile->ReadInteger(Section(), Key(form, "WindowState"), defaultState);
        form->setWindowState(StateFromNumber(state));
    }
    // A place stored on a screen that is gone (a second monitor undocked) would leave the window
    // where nobody can reach it; what is saved is where it then stands.
    if (form->isWindow())
        WindowPlacement::KeepOnScreen(form);
    SaveFormPlacement(form);
}

bool TApplIniFile::FormPlacementExists(QWidget* form) const
{
    const QStringList keys = IniFile->ReadSection(Section());
    return keys.contains(Key(form, "Left"), Qt::CaseInsensitive);
}

int32_t TApplIniFile::ReadTimerIntervalIndex(int32_t defaultIndex) const
{
    return IniFile->ReadInteger(Section(), QStringLiteral("TimerIntervalIndex"), defaultIndex);
}

void TApplIniFile::WriteTimerIntervalIndex(int32_t index)
{
    IniFile->WriteInteger(Section(), QStringLiteral("TimerIntervalIndex"), index);
}

int32_t TApplIniFile::ReadLangIndex() const
{
    return IniFile->ReadInteger(Section(), QStringLiteral("LangIndex"), -1);
}

void TApplIniFile::WriteLangIndex(int32_t index)
{
    IniFile->WriteInteger(Section(), QStringLiteral("LangIndex"), index);
}

QString TApplIniFile::ReadTelephoneNumber() const
{
    return IniFile->ReadString(Section(), QStringLiteral("TelephoneNumber"), QString());
}

void TApplIniFile::WriteTelephoneNumber(const QString& text)
{
    IniFile->WriteString(Section(), QStringLiteral("TelephoneNumber"), text);
}

bool TApplIniFile::ReadUseModem() const
{
    return IniFile->ReadBool(Section(), QStringLiteral("UseModem"), false);
}

void TApplIniFile::WriteUseModem(bool flag)
{
    IniFile->WriteBool(Section(), QStringLiteral("UseModem"), flag);
}

QString TApplIniFile::ReadRemoteDBDir() const
{
    return IniFile->ReadString(Section(), QStringLiteral("RemoteDBDir"), QString());
}

void TApplIniFile::WriteRemoteDBDir(const QString& path)
{
    IniFile->WriteString(Section(), QStringLiteral("RemoteDBDir"), path);
}

int32_t TApplIniFile::ReadDBIniValue() const
{
    return IniFile->ReadInteger(Section(), QStringLiteral("DBIniValue"), 0);
}

void TApplIniFile::WriteDBIniValue(int32_t value)
{
    IniFile->WriteInteger(Section(), QStringLiteral("DBIniValue"), value);
}

QString TApplIniFile::ReadHomePage(const QString& defaultAddress) const
{
    return IniFile->ReadString(Section(), QStringLiteral("HomePage"), defaultAddress);
}
