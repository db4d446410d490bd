#include "ui/uLangController.h"
#include "platform/Win1252.h"
#include "ui/uApplIniFile.h"
#include "ui/uLangIniFile.h"
#include <QDir>
#include <QFile>
#include <QSaveFile>
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

QStringList SplitLines(const QString& text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines << line;
            line.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
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
    QFile file(LangListFile());
    if (file.open(QIODevice::ReadOnly)) {
        list->SetLangItems(SplitLines(Win1252::Decode(file.readAll())));
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
    QByteArray bytes;
    for (const QString& item : items)
        bytes += Win1252::Encode(item) + "\r\n";
    QSaveFile file(LangListFile());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EIniFileError(QStringLiteral("Unable to write to %1").arg(LangListFile()));
}
