#include "db/uMainWindowTexts.h"
#include "platform/Exception.h"
#include <QLabel>
#include <QListWidget>
#include <QStringListModel>
#include <QTableView>
#include <QWidget>
#include <gtest/gtest.h>

TEST(WidgetTexts, ReadsLabelsAndListRowsByComponentName)
{
    QWidget window;
    auto* serial = new QLabel("1234", &window);
    serial->setObjectName("lbSerialNum");
    auto* index = new QListWidget(&window);
    index->setObjectName("lstbIndex");
    index->addItems({"15", "14"});
    auto* temp = new QTableView(&window);
    temp->setObjectName("lstbTemp");
    QStringListModel model({"20 \u00b0C", "21 \u00b0C"});
    temp->setModel(&model);

    const TWidgetTexts texts(&window);
    EXPECT_EQ(texts.Text("lbSerialNum"), QString("1234"));
    EXPECT_EQ(texts.Items("lstbIndex"), (QStringList{"15", "14"}));
    EXPECT_EQ(texts.Items("lstbTemp"), (QStringList{"20 \u00b0C", "21 \u00b0C"}));
    EXPECT_THROW(texts.Text("lbPartNum"), Exception);
    EXPECT_THROW(texts.Items("lbSerialNum"), Exception);
}
