#include "db/uKivDataMod.h"
#include "settings/uLangController.h"
#include "ui/fDialScript.h"
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The language controller keeps its own list of the program's file names; every file the other
// modules name must be on it, so a new file never becomes a language by accident.
TEST(OwnFileNames, NoFileOfTheProgramCanBeALanguage)
{
    QTemporaryDir dir;
    TLangController controller(dir.path());
    QStringList names;
    using F = TDataMod::TTextFile;
    for (F file : {F::EncoderIds, F::EncoderIdsExport, F::Faults, F::Properties, F::Aliases, F::AliasesExport})
        names << QFileInfo(TDataMod::TextFileName(file)).completeBaseName();
    names << QFileInfo(TDialScript(dir.path()).ModemInitFile()).completeBaseName();
    names << QFileInfo(controller.LangListFile()).completeBaseName();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(controller.IsUsableName(name));
        EXPECT_FALSE(controller.IsUsableName(name.toLower()));
    }
}
