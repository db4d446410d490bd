#pragma once
#include "core/uTimerIntervalStore.h"
#include <QString>
#include <cstdint>

class QWidget;
class TIniFile;

// The settings of section "Application", read where they are needed and written at once.
// Holds a non-owning reference to the one settings file and no state of its own.
class TApplIniFile : public ITimerIntervalStore {
public:
    explicit TApplIniFile(TIniFile* iniFile = nullptr) : IniFile(iniFile) {}
    void SetIniFile(TIniFile* iniFile) { IniFile = iniFile; }
    TIniFile* GetIniFile() const { return IniFile; }

    // Placement under keys form name + "Left", "Top", "Height", "Width", "WindowState"; the form
    // name is the widget's objectName. Window state: 0 normal, 1 minimised, 2 maximised.
    void SaveFormPlacement(QWidget* form);
    // A negative default leaves that property as it is. A window whose title bar would then lie
    // off every screen is moved onto the nearest one. A restore always saves afterwards, so all
    // five keys exist after a window's first restore.
    void RestoreFormPlacement(QWidget* form, int32_t defaultLeft, int32_t defaultTop, int32_t defaultHeight,
                              int32_t defaultWidth, int32_t defaultState);
    bool FormPlacementExists(QWidget* form) const;

    int32_t ReadTimerIntervalIndex(int32_t defaultIndex) const override;
    void WriteTimerIntervalIndex(int32_t index) override;
    int32_t ReadLangIndex() const;
    void WriteLangIndex(int32_t index);
    QString ReadTelephoneNumber() const;
    void WriteTelephoneNumber(const QString& text);
    bool ReadUseModem() const;
    void WriteUseModem(bool flag);
    QString ReadRemoteDBDir() const;
    void WriteRemoteDBDir(const QString& path);
    int32_t ReadDBIniValue() const;
    void WriteDBIniValue(int32_t value);
    // The web browser's start address.
    QString ReadHomePage(const QString& defaultAddress) const;

    static QString Section() { return QStringLiteral("Application"); }

protected:
    TIniFile* IniFile;
};
