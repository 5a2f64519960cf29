// The data panel over the sample database: datasets with their fields from the database, Run
// with the first rows or the database's message and its place, parameters and SQL edited as
// undoable changes, and a field dragged as "Dataset.Field".
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTreeWidget>

#include "definition/OxrDocument.h"
#include "designer/DataPanel.h"
#include "designer/DesignDocument.h"

namespace oxqr {
namespace {

const char* const kReport = R"(<report dataset="Customer">
  <parameter name="MinNo" type="integer" default="1100"/>
  <table name="Customer" table="customer"/>
  <query name="Big">
    SELECT OrderNo, CustNo, ItemsTotal
    FROM orders WHERE OrderNo > :MinNo ORDER BY OrderNo
    <calc name="Twice" expression="ItemsTotal * 2"/>
  </query>
  <query name="Lines" master="Customer">SELECT OrderNo AS LineOrder FROM orders WHERE CustNo = :CustNo</query>
  <json name="Shop" file="shop.json" path="orders"><field name="No" type="integer"/></json>
  <band type="detail"><label name="L" left="1"/></band>
</report>)";

struct TPanel {
  TPanel() : Panel(Doc) {
    Doc.Reset(ReadOxrDocument(kReport, "data.oxr"), {});
    Doc.SetDefaultDatabase(OXQR_DEMODATA);
  }
  QTreeWidgetItem* Find(const QString& text) {
    const auto items = Panel.Tree().findItems(text, Qt::MatchStartsWith | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.front();
  }
  void Select(const QString& text) {
    QTreeWidgetItem* item = Find(text);
    ASSERT_NE(item, nullptr) << text.toStdString();
    Panel.Tree().setCurrentItem(item);
  }
  TDesignDocument Doc;
  TDataPanel Panel;
};

TEST(DataPanel, ShowsDataSetsWithTheirFieldsAndDragsAField) {
  TPanel p;
  for (const char* text : {"MinNo : integer = 1100", "Customer (table customer)", "Company", "LastInvoiceDate",
                           "Big (query)", "ItemsTotal", "Twice = ItemsTotal * 2", "LineOrder", "Shop (json)", "No"})
    EXPECT_NE(p.Find(text), nullptr) << text;
  QTreeWidgetItem* company = p.Find("Company");
  ASSERT_NE(company, nullptr);
  EXPECT_TRUE(company->flags() & Qt::ItemIsDragEnabled);
  EXPECT_FALSE(p.Find("Customer (table")->flags() & Qt::ItemIsDragEnabled);
  // The drag's data, as the page view receives it.
  std::unique_ptr<QMimeData> data(p.Panel.Tree().model()->mimeData({p.Panel.Tree().indexFromItem(company)}));
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->hasFormat(kFieldMimeType));
  EXPECT_EQ(data->data(kFieldMimeType), QByteArray("Customer.Company"));
  std::unique_ptr<QMimeData> calc(p.Panel.Tree().model()->mimeData({p.Panel.Tree().indexFromItem(p.Find("Twice"))}));
  ASSERT_NE(calc, nullptr);
  EXPECT_EQ(calc->data(kFieldMimeType), QByteArray("Big.Twice"));

  // An edit outside the data (a control moved) leaves the tree as the user left it.
  QTreeWidgetItem* customer = p.Find("Customer (table");
  customer->setExpanded(false);
  TOxrNode* label = p.Doc.Tree().Root().Elements("band").front()->Elements("label").front();
  p.Doc.SetAttributes({{label, "left", "5"}}, "Move");
  EXPECT_EQ(p.Find("Customer (table"), customer);
  EXPECT_FALSE(customer->isExpanded());
  // An edit of the data shows at once.
  p.Doc.SetAttributes({{p.Doc.Tree().Root().Elements("table").front(), "name", "Client"}}, "Rename");
  EXPECT_NE(p.Find("Client (table customer)"), nullptr);
}

TEST(DataPanel, RunShowsTheFirstRowsOrTheFaultWithItsPlace) {
  TPanel p;
  p.Select("Big (query)");
  EXPECT_TRUE(p.Panel.SqlEditor().toPlainText().contains("FROM orders"));
  p.Panel.Run();
  QTableWidget& rows = p.Panel.Results();
  ASSERT_EQ(rows.columnCount(), 3);
  EXPECT_EQ(rows.horizontalHeaderItem(0)->text(), "OrderNo");
  ASSERT_GT(rows.rowCount(), 0);
  EXPECT_LE(rows.rowCount(), 100);
  EXPECT_GT(rows.item(0, 0)->text().toInt(), 1100) << "the parameter's default is used";

  // A syntax error is placed; the editor's cursor goes there.
  p.Panel.SqlEditor().setPlainText("SELECT OrderNo,\n  FROM orders");
  p.Panel.Run();
  EXPECT_EQ(rows.rowCount(), 0);
  const QString message = p.Panel.Message().text();
  EXPECT_TRUE(message.startsWith("line 2, column 3: ")) << message.toStdString();
  EXPECT_TRUE(message.contains("FROM")) << message.toStdString();
  EXPECT_EQ(p.Panel.SqlEditor().textCursor().position(), 18);
  p.Panel.SqlEditor().setPlainText("SELECT OrderNo FROM ordres");
  p.Panel.Run();
  EXPECT_TRUE(p.Panel.Message().text().contains("no such table: ordres")) << p.Panel.Message().text().toStdString();

  p.Select("Customer (table");
  p.Panel.Run();
  EXPECT_GT(rows.rowCount(), 0) << p.Panel.Message().text().toStdString();
  EXPECT_EQ(rows.horizontalHeaderItem(1)->text(), "Company");
}

TEST(DataPanel, MissingDatabaseIsAMessageNotAFault) {
  TDesignDocument doc;
  doc.Reset(ReadOxrDocument("<report database=\"nowhere/none.sqlite\"><table name=\"T\" table=\"t\"/></report>",
                            "x.oxr"),
            {});
  TDataPanel panel(doc);
  const auto items = panel.Tree().findItems("(cannot read the fields)", Qt::MatchRecursive);
  ASSERT_EQ(items.size(), 1);
  EXPECT_FALSE(items.front()->toolTip(0).isEmpty());
}

TEST(DataPanel, ParametersAndSqlChangeThroughTheUndoStack) {
  TPanel p;
  const std::string before = p.Doc.Text();
  TOxrNode* added = p.Panel.AddParameter();
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->AttributeOr("name", ""), "Param1");
  EXPECT_EQ(p.Doc.Tree().Root().IndexOf(added), 1u) << "after the existing parameter, before the datasets";
  p.Panel.SetParameter(added, "Country", "string", "US");
  EXPECT_EQ(added->AttributeOr("default", ""), "US");
  // Names and defaults the loader would refuse are not taken.
  p.Panel.SetParameter(added, "2bad", "string", "x");
  p.Panel.SetParameter(added, "Count", "integer", "many");
  EXPECT_EQ(added->AttributeOr("name", ""), "Country");
  EXPECT_FALSE(p.Panel.Message().text().isEmpty());
  p.Panel.RemoveParameter(added);
  EXPECT_EQ(p.Doc.Tree().Root().Elements("parameter").size(), 1u);

  p.Select("Big (query)");
  p.Panel.SqlEditor().setPlainText("SELECT OrderNo FROM orders");
  p.Panel.ApplySql();
  TOxrNode* query = p.Doc.Tree().Root().Elements("query").front();
  EXPECT_EQ(QuerySql(*query), "SELECT OrderNo FROM orders");
  EXPECT_EQ(query->Elements("calc").size(), 1u) << "calculated fields stay";
  EXPECT_NE(p.Find("OrderNo"), nullptr);
  EXPECT_EQ(p.Find("ItemsTotal"), nullptr) << "fields follow the new SQL";

  while (p.Doc.UndoStack().canUndo()) p.Doc.UndoStack().undo();
  EXPECT_EQ(p.Doc.Text(), before);
}

}  // namespace
}  // namespace oxqr

namespace oxqr {
namespace {

// A report's data built by the panel's buttons alone, as the README's tutorial begins.
TEST(DataPanel, DataSetsAddedRenamedAndRemovedAsUndoableChanges) {
  TDesignDocument doc;
  doc.Reset(ReadOxrDocument("<report><band type=\"detail\"/></report>", "new.oxr"), {});
  TDataPanel panel(doc);
  doc.SetDefaultDatabase(OXQR_DEMODATA);
  const std::string empty = doc.Text();
  TOxrNode* query = panel.AddQuery("SELECT Company FROM customer");
  ASSERT_NE(query, nullptr);
  EXPECT_EQ(doc.Tree().Root().IndexOf(query), 0u) << "before the bands";
  EXPECT_EQ(doc.Tree().Root().AttributeOr("dataset", ""), "Query1") << "the first dataset drives the report";
  EXPECT_EQ(panel.NodeOf(panel.Tree().currentItem()), query);
  panel.RenameDataSet(query, "Sales");
  EXPECT_EQ(doc.Tree().Root().AttributeOr("dataset", ""), "Sales");
  EXPECT_FALSE(panel.Tree().findItems("Company", Qt::MatchRecursive).isEmpty()) << "fields read from the database";
  panel.RenameDataSet(query, "9lives");
  EXPECT_EQ(query->AttributeOr("name", ""), "Sales");

  TOxrNode* table = panel.AddTable("orders");
  EXPECT_EQ(doc.Tree().Root().IndexOf(table), 1u);
  EXPECT_EQ(table->AttributeOr("name", ""), "Table1");
  EXPECT_EQ(doc.Tree().Root().AttributeOr("dataset", ""), "Sales") << "an existing choice is kept";
  EXPECT_FALSE(panel.Tree().findItems("ItemsTotal", Qt::MatchRecursive).isEmpty());
  panel.RemoveDataSet(table);
  EXPECT_EQ(doc.Tree().Root().Elements("table").size(), 0u);
  EXPECT_NE(doc.Text().find("<query name=\"Sales\">SELECT Company FROM customer</query>"), std::string::npos)
      << doc.Text();

  while (doc.UndoStack().canUndo()) doc.UndoStack().undo();
  EXPECT_EQ(doc.Text(), empty);
}

}  // namespace
}  // namespace oxqr
