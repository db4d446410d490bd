#include "db/fDbSrch.h"
#include "ui/uKivResources.h"
#include <QIcon>
#include <QListWidget>
#include <QPushButton>

namespace {

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, const QString& picture, int x)
{
    auto* button = new QPushButton(QIcon(picture), caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFlat(true);
    button->setAutoDefault(false);
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    button->setGeometry(x, 240, 81, 25);
    return button;
}

} // namespace

TSrchFrm::TSrchFrm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
{
    EnsureKivResources();
    setObjectName(QStringLiteral("SrchFrm"));
    setFont(FormFont());
    setWindowTitle(QString());
    setFixedSize(ClientWidth, ClientHeight);
    move(389, 214);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(8, 8, 204, 217);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setUniformItemSizes(true);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { ListBox1DblClick(); });

    btnOK = AddButton(this, "btnOK", QStringLiteral("OK"), QStringLiteral(":/images/btn-ok.png"), 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    btnCancel = AddButton(this, "btnCancel", QStringLiteral("Cancel"), QStringLiteral(":/images/btn-cancel.png"), 113);
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

TModalResult TSrchFrm::RunModal()
{
    Outcome = TModalResult::None;
    FormShow();
    exec();
    // Closing by the window manager or Escape counts as Cancel.
    if (Outcome == TModalResult::None)
        Outcome = TModalResult::Cancel;
    return Outcome;
}

void TSrchFrm::FormShow()
{
    FillList(Query);
}

void TSrchFrm::FillList(const TAliasQuery& query)
{
    ListBox1->clear();
    if (!query)
        return;
    const auto rows = query();
    QStringList entries;
    entries.reserve(rows.size());
    for (const auto& [alias, serial] : rows)
        entries << alias + QStringLiteral("::") + serial;
    ListBox1->addItems(entries);
}

void TSrchFrm::btnOKClick()
{
    if (ListBox1->count() == 0) {
        // Nothing to pick: nothing is chosen, so the viewer does not move.
        Chosen.clear();
        Finish(TModalResult::Cancel);
        return;
    }
    if (ListBox1->selectedItems().isEmpty())
        ListBox1->setCurrentRow(0);
    const QString entry = ListBox1->selectedItems().constFirst()->text();
    Chosen = entry.mid(entry.indexOf(QStringLiteral("::")) + 2);
    Finish(TModalResult::Ok);
}

void TSrchFrm::ListBox1DblClick()
{
    btnOKClick();
}

void TSrchFrm::btnCancelClick()
{
    Finish(TModalResult::Cancel);
}

void TSrchFrm::Finish(TModalResult result)
{
    Outcome = result;
    done(result == TModalResult::Ok ? QDialog::Accepted : QDialog::Rejected);
}
