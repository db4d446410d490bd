#pragma once
#include "platform/Dialogs.h"
#include <QDialog>
#include <QList>
#include <QString>
#include <functional>
#include <utility>

class QListWidget;
class QPushButton;

// Lists every alias with its serial number ("alias::serial") and hands back the serial number of
// the entry the user picks. Its texts are fixed: it takes no part in the language switching.
class TSrchFrm : public QDialog {
    Q_OBJECT
public:
    // Rows of alias and serial number, in the order the query delivers them.
    using TAliasQuery = std::function<QList<std::pair<QString, QString>>()>;

    static constexpr int ClientWidth = 218;
    static constexpr int ClientHeight = 276;

    explicit TSrchFrm(QWidget* parent = nullptr);

    // Set by the viewer before each showing.
    void SetQuery(TAliasQuery query) { Query = std::move(query); }
    // The serial number chosen with OK.
    const QString& SerialNr() const { return Chosen; }

    // Fills the list (FormShow), then runs the dialog until OK or Cancel ends it.
    TModalResult RunModal();

    void FormShow();
    void FillList(const TAliasQuery& query);
    void btnOKClick();
    void ListBox1DblClick();
    void btnCancelClick();
    // How the last showing ended.
    TModalResult Result() const { return Outcome; }

private:
    void Finish(TModalResult result);

    TAliasQuery Query;
    QString Chosen;
    TModalResult Outcome = TModalResult::None;
    QListWidget* ListBox1;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
