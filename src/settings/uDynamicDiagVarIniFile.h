#pragma once
#include "settings/uApplIniFile.h"

// A second accessor of section "Application" that the controller hands to the dynamic diagnostic
// parts; it defines no keys of its own.
class TDynDiagVarIniFile : public TApplIniFile {
public:
    using TApplIniFile::TApplIniFile;
};
