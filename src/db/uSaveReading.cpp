#include "db/uSaveReading.h"
#include "db/uKivDataMod.h"
#include "db/uMainWindowTexts.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"

void SaveReading(TDataMod& dataMod, TDialogs& dialogs, const TSaveReadingTexts& texts, bool repeating)
{
    if (!repeating) {
        dialogs.MessageDlg(texts.DBFunction, TMsgDlgType::Warning, mbOK);
        return;
    }
    if (!dataMod.MainWindow)
        throw Exception(QStringLiteral("No main window to save the reading from"));
    const QString serial = dataMod.MainWindow->Text(QStringLiteral("lbSerialNum"));
    if (dataMod.AliasFilesContain(serial)) {
        dataMod.SaveSnapshot(false);
        return;
    }
    if (dialogs.MessageDlg(texts.NoAlias, TMsgDlgType::Information, mbYes | mbNo) != TModalResult::Yes)
        return;
    QString alias;
    if (!dialogs.InputQuery(QStringLiteral("Alias dialog"), QStringLiteral("Alias:"), alias) || alias.isEmpty())
        return;
    if (dataMod.AliasFilesContain(alias)) {
        const bool swedish = texts.NoAlias.contains(QLatin1String("Det"));
        dialogs.MessageDlg(swedish ? QStringLiteral("Alias finns redan!") : QStringLiteral("Alias already exists!"),
                           TMsgDlgType::Error, mbOK);
        return;
    }
    dataMod.AddAlias(alias, serial);
    dataMod.SaveSnapshot(true);
}
