#include "settings/uLangController.h"
#include "platform/IniFile.h"
#include "platform/TextFile.h"
#include "platform/Win1252.h"
#include "settings/uApplIniFile.h"
#include "settings/uLangIniFile.h"
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

// Base names of the program's own files. A language of one of these names would read and fill
// that file as a language file (language "ModemInit" is ModemInit.txt), or stand for it in a
// listing; the default language may only be named exactly as it is.
const char* const OwnFileNames[] = {
    "ModemInit", "kiv", "lang", "DefLang", "KivHelp", "ENCDER_ID", "ENCODER_IDDB", "FAULTS_ID", "ENCPROPID",
    "ENCALIAS", "ENCALIAS_DB",
};

qsizetype IndexOfIgnoringCase(const QStringList& items, const QString& name)
{
    for (qsizetype i = 0; i < items.size(); ++i)
        if (items[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

TLangController::TLangController(const QString& programDir) : ProgramDir(programDir) {}

TLangController::~TLangController() = default;

void TLangController::SetLangList(TLangList* list)
{
    List = list;
}

TLangList* TLangController::GetLangList() const
{
    return List ? List : const_cast<TMemLangList*>(&OwnList);
}

void TLangController::Register(TLangClient* client)
{
    if (client && std::find(ClientList.begin(), ClientList.end(), client) == ClientList.end())
        ClientList.push_back(client);
}

void TLangController::Unregister(TLangClient* client)
{
    if (!client)
        return;
    ClientList.erase(std::remove(ClientList.begin(), ClientList.end(), client), ClientList.end());
}

QString TLangController::LangListFile() const
{
    return QDir(ProgramDir).filePath(QStringLiteral("lang.lst"));
}

void TLangController::LoadLanguages()
{
    TLangList* list = GetLangList();
    list->SetLangItems({});
    QStringList lines;
    if (TextFile::ReadLines(LangListFile(), lines) == TextFile::TReadResult::Read) {
        list->SetLangItems(lines);
        if (Settings)
            list->SetLangItemIndex(Settings->ReadLangIndex());
    }
    const int index = list->LangItemIndex();
    const QStringList items = list->LangItems();
    if (index < 0 || index >= items.size())
        SelectLanguage(TLangIniFile::DefaultLanguage());
    else
        SelectLanguage(items[index]);
}

bool TLangController::IsUsableName(const QString& name) const
{
    // A language name becomes a file name in the program folder and a line of the 8-bit
    // lang.lst, so it must not leave the folder, break the line or lose characters there.
    if (name.isEmpty() || !Win1252::CanEncode(name))
        return false;
    for (QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    if (name == TLangIniFile::DefaultLanguage())
        return true;
    QStringList reserved;
    for (const char* own : OwnFileNames)
        reserved << QString::fromLatin1(own);
    if (Settings && Settings->GetIniFile())
        reserved << QFileInfo(Settings->GetIniFile()->FileName()).completeBaseName();
    for (const QString& own : reserved)
        if (name.compare(own, Qt::CaseInsensitive) == 0)
            return false;
    return true;
}

void TLangController::SelectLanguage(const QString& name)
{
    if (!IsUsableName(name))
        throw Exception(QStringLiteral("Invalid language name \"%1\"").arg(name));
    LanguageFile.reset();
    LanguageFile = std::make_unique<TLangIniFile>(ProgramDir, name);
    UpdateClients();
    if (name == TLangIniFile::DefaultLanguage())
        return;

    TLangList* list = GetLangList();
    QStringList items = list->LangItems();
    qsizetype index = IndexOfIgnoringCase(items, name);
    if (index < 0) {
        items << name;
        WriteLangList(items);
        list->SetLangItems(items);
        index = IndexOfIgnoringCase(items, name);
    }
    list->SetLangItemIndex(static_cast<int>(index));
    if (Settings)
        Settings->WriteLangIndex(static_cast<int32_t>(index));
}

void TLangController::UpdateClients()
{
    // By position, so a client that unregisters another one during its update is not called
    // after it has gone.
    for (size_t i = 0; i < ClientList.size(); ++i)
        ClientList[i]->UpdateLanguage(LanguageFile.get());
    for (size_t i = 0; i < ClientList.size(); ++i)
        ClientList[i]->LanguagePassEnded();
}

void TLangController::WriteLangList(const QStringList& items)
{
    TextFile::WriteLines(LangListFile(), items);
}
