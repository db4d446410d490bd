#pragma once
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TApplIniFile;
class TLangClient;
class TLangIniFile;

// The list of known languages as the user sees it: the options dialog's language box implements
// it; TMemLangList holds it while there is no such box.
class TLangList {
public:
    virtual ~TLangList() = default;
    virtual QStringList LangItems() const = 0;
    virtual void SetLangItems(const QStringList& items) = 0;
    // The selected position, -1 for none.
    virtual int LangItemIndex() const = 0;
    virtual void SetLangItemIndex(int index) = 0;
};

class TMemLangList : public TLangList {
public:
    QStringList LangItems() const override { return Items; }
    void SetLangItems(const QStringList& items) override
    {
        Items = items;
        Index = -1;
    }
    int LangItemIndex() const override { return Index; }
    void SetLangItemIndex(int index) override { Index = (index >= 0 && index < Items.size()) ? index : -1; }

private:
    QStringList Items;
    int Index = -1;
};

// Opens the chosen language and makes every registered client read its texts again, in
// registration order. The list of languages is stored in lang.lst in the program folder, the
// position of the chosen one in the setting "LangIndex".
class TLangController {
public:
    explicit TLangController(const QString& programDir);
    ~TLangController();
    TLangController(const TLangController&) = delete;
    TLangController& operator=(const TLangController&) = delete;

    // Non-owning; without a list of its own the controller keeps one in memory.
    void SetLangList(TLangList* list);
    TLangList* GetLangList() const;
    void SetSettings(TApplIniFile* settings) { Settings = settings; }

    void Register(TLangClient* client);
    void Unregister(TLangClient* client);
    const std::vector<TLangClient*>& Clients() const { return ClientList; }

    void LoadLanguages();
    void SelectLanguage(const QString& name);
    void UpdateClients();
    // The open language, null before the first SelectLanguage.
    TLangIniFile* LangFile() const { return LanguageFile.get(); }

    QString LangListFile() const;
    // False for a name that cannot be a language: empty, outside the folder, not storable in the
    // 8-bit lang.lst, or the name of one of the program's own files (ignoring case).
    bool IsUsableName(const QString& name) const;

private:
    void WriteLangList(const QStringList& items);

    QString ProgramDir;
    std::unique_ptr<TLangIniFile> LanguageFile;
    std::vector<TLangClient*> ClientList;
    TLangList* List = nullptr;
    TApplIniFile* Settings = nullptr;
    TMemLangList OwnList;
};
