#include "settings/uLangController.h"
#include "platform/TextFile.h"
#include "settings/uApplIniFile.h"
#include "settings/uLangIniFile.h"
#include <QDir>
#include <algorithm>

namespace {

// A language name becomes a file name in the program folder and a line of lang.lst, so it
// must not leave the folder or break the line.
bool IsUsableName(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    return true;
}

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
}

void TLangController::WriteLangList(const QStringList& items)
{
    TextFile::WriteLines(LangListFile(), items);
}
